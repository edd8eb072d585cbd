// What the end of a run tells the user, for the main tool and every folder tool
// alike. A run in which pictures failed never ends with the words of a run that
// did all it was asked: the box says how many were written and how many failed
// and points to the information window; when none was written it is a warning,
// not an offer to open the folder. The box is shown above every other window
// (the information window, which opens with the first failure, is always on top).
#pragma once
#include <windows.h>

#include <string>

#include "core/batch_report.h"

struct RunEndBox {
    std::string text;
    const char *caption = "完成";
    UINT type = MB_OK;          // MB_ flags, MB_TOPMOST among them
    bool offersFolder = false;  // IDYES opens the result folder
};

// doneText: the text of a run that wrote everything ("图片批量处理已完成");
// question: what is asked then ("是否要打开目标文件夹查看处理后的图片？"), or null
// when nothing is asked (overwrite mode).
RunEndBox runEndBox(const BatchSummary &summary, const char *doneText, const char *question);
