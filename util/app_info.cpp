#include "util/app_info.h"

#include "util/text.h"

const char kVendorWebSite[] = "https://velmora.example.com/";

std::string programTitle()
{
    return formatText("Velmora图片批量处理工具(V%0.1f)", kProgramVersion);
}
