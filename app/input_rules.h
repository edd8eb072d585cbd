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
// dispatched unless a rule consumed it. (The modal loops of the progress window
// and the save-mode dialog keep their own: the main window is disabled then.)
void handleQueuedMessage(MSG &msg);
// Handles every message waiting in this thread's queue the way the loop does.
void pumpQueuedMessages();
