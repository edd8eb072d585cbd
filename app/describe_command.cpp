#include "app/describe_command.h"

#include <cstring>

#include "input/header_sniff.h"
#include "util/info_log.h"
#include "util/magick_path.h"
#include "util/text.h"

int runDescribeCommand(const std::vector<std::string> &files)
{
    if (files.empty()) {
        consoleWrite("用法: velmora --describe 文件...\n", true);
        return kDescribeUsageError;
    }
    setInfoMessageSink(infoMessageToConsole, nullptr);
    int notPictures = 0;
    for (const std::string &argument : files) {
        std::string path = dosPathFromArgument(argument);
        char text[kPictureDescriptionSize];
        std::string reason;
        if (!describePicture(path.c_str(), text, &reason)) {
            showInfoMessage(formatText("无法识别的图片:\r\n%s\r\n原因：%s", argument.c_str(), reason.c_str()));
            ++notPictures;
        }
        consoleWrite(argument + ": " + text + "\n");
    }
    setInfoMessageSink(nullptr, nullptr);
    return notPictures ? kDescribeSomeNotPictures : kDescribeAllPictures;
}
