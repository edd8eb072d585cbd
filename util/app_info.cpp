#include "util/app_info.h"

#include "util/text.h"

std::string programTitle()
{
    return formatText("Velmora图片批量处理工具(V%0.1f)", kProgramVersion);
}
