// The folder tools the command line knows; each new tool adds its line.
#include "tools/common/tool_cli.h"
#include "tools/convert/convert_job.h"
#include "tools/crop/crop_job.h"
#include "tools/join/join_job.h"
#include "tools/png/png_job.h"
#include "tools/slice/slice_job.h"

const std::vector<ToolCommand> &toolCommands()
{
    static const std::vector<ToolCommand> tools = {
        {"convert", "格式转换", convertToolValues, false, runConvertCommand},
        {"png", "处理PNG", pngToolValues, true, runPngCommand},
        {"join", "图片拼接", joinToolValues, false, runJoinCommand},
        {"slice", "图片切片", sliceToolValues, false, runSliceCommand},
        {"crop", "图片裁剪", cropToolValues, true, runCropCommand},
    };
    return tools;
}
