// The output block's controls as the satellite tools show them: the format
// chooser ("JPG", "PNG", "WEBP"), the quality slider with its label and value
// text, and the choices "透明度", "PNG-8" and "颜色：". The tools own the window;
// this file creates the controls in it, applies the show/hide rules and reads them.
#pragma once
#include <windows.h>

#include "imaging/output_options.h"

struct OutputControls {
    HWND format = nullptr;        // drop-down list "JPG", "PNG", "WEBP" (absent in a PNG-only block)
    HWND qualityLabel = nullptr;  // "质量："
    HWND quality = nullptr;       // track bar 10..100
    HWND qualityValue = nullptr;  // "90(高)"
    HWND transparent = nullptr;   // "透明度"
    HWND png8 = nullptr;          // "PNG-8"
    HWND coloursLabel = nullptr;  // "颜色："
    HWND colours = nullptr;       // drop-down with an edit box: "2" ... "256"
    int width = 370;              // how wide the row may be (WEBP's quality and box share it)
    HWND keepTime = nullptr;      // "保留原图的修改时间" (placed by the tool in its save block)
};

// Control identifiers: firstId + these offsets.
enum OutputControlOffset {
    kOutputFormatOffset = 0,
    kOutputQualityOffset = 1,
    kOutputQualityValueOffset = 2,
    kOutputTransparentOffset = 3,
    kOutputPng8Offset = 4,
    kOutputColoursOffset = 5,
    kOutputQualityLabelOffset = 6,
    kOutputColoursLabelOffset = 7,
    kOutputKeepTimeOffset = 8,
};

// Creates the controls as children of parent in one row starting at (x, y),
// at most width pixels wide. withFormat: the format chooser and the quality
// controls first (the convert, crop, join and slice tools); without: only the
// PNG choices (the PNG tool, whose output is always PNG).
void createOutputControls(OutputControls &c, HWND parent, HINSTANCE instance, int x, int y, int firstId,
                          bool withFormat, int width = 370);
// The check box "保留原图的修改时间" at (x, y) in parent, part of the block from
// then on (shown, read and enabled with it).
void createKeepTimeBox(OutputControls &c, HWND parent, HINSTANCE instance, int x, int y, int firstId);
// Puts options into the controls and applies the show/hide rules.
void showOutputOptions(const OutputControls &c, const OutputOptions &options);
// What the controls say (a PNG-only block says PNG).
OutputOptions readOutputOptions(const OutputControls &c);
// The show/hide rules: JPG shows the quality controls, PNG the two check boxes
// and, with PNG-8 ticked, the colour list, WEBP the quality controls and the
// transparency box (a shorter slider makes room for it); the value text follows
// the slider.
void refreshOutputControls(const OutputControls &c);
// WM_COMMAND and WM_HSCROLL of the parent: true when the message was the block's
// (format chosen, PNG-8 clicked, slider moved) and the rules were applied.
bool outputControlsCommand(const OutputControls &c, WPARAM wParam, LPARAM lParam);
bool outputControlsScroll(const OutputControls &c, LPARAM lParam);
void enableOutputControls(const OutputControls &c, bool enable);
