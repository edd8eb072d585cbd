#include "core/run_end_text.h"

#include "util/text.h"

RunEndBox runEndBox(const BatchSummary &summary, const char *doneText, const char *question)
{
    RunEndBox box;
    const UINT kAbove = MB_TOPMOST | MB_SETFOREGROUND;
    const char *u = summary.unit;
    if (summary.failed == 0) {
        box.text = question ? std::string(doneText) + "，" + question : std::string(doneText);
        box.type = (question ? MB_YESNO : MB_OK) | MB_ICONINFORMATION | kAbove;
        box.offersFolder = question != nullptr;
    } else if (summary.written == 0) {
        box.text = formatText("没有写入任何图片：%d %s全部失败。\n\n失败的原因见信息窗口 (F2)。", summary.failed, u);
        box.caption = "注意";
        box.type = MB_OK | MB_ICONWARNING | kAbove;
    } else {
        box.text = formatText("%s：已写入 %d %s，失败 %d %s。\n\n失败的原因见信息窗口 (F2)。", doneText, summary.written, u,
                              summary.failed, u);
        if (question)
            box.text += std::string("\n\n") + question;
        box.type = (question ? MB_YESNO : MB_OK) | MB_ICONWARNING | kAbove;
        box.offersFolder = question != nullptr;
    }
    return box;
}
