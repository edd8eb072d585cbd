// The one message loop of the user-interface thread and the program-wide input
// rules it applies before a message is dispatched: input held while the picture
// list changes behind the user's back, balloons closed by any key or button, the
// wheel sent to what the user points at, and the keys that mean the same in
// every window (Enter, Tab, Esc, the arrows, Delete, Ctrl+A, F2).
#pragma once
#include <windows.h>

// Runs the loop until the quit message; returns its code.
int runMessageLoop();
// One message taken from the queue: translated, put through the rules and
// dispatched unless a rule consumed it. Every loop of the program that serves the
// main window calls this.
void handleQueuedMessage(MSG &msg);
// Handles every message waiting in this thread's queue the way the loop does.
void pumpQueuedMessages();

// Windows of the satellite tools take part in the Enter and Tab rules once they
// exist: Enter in `field` is sent to `toolWindow` as WM_CHAR 13 with the field as
// the second parameter (the order to apply it).
void addToolEnterField(HWND field, HWND toolWindow);
// Tab inside a group of fields moves to the next one in the order given, from the
// last back to the first (a group of two swaps between them).
void addToolTabGroup(const HWND *fields, int count);
