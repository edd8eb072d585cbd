// Program identity shown in titles, the About box and the command line.
#pragma once
#include <string>

constexpr double kProgramVersion = 11.5;
// The vendor's web site (the About box, the "官方网站" button, palette PNG failures).
extern const char kVendorWebSite[];
// "Velmora图片批量处理工具(V11.5)"
std::string programTitle();
