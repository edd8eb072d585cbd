// Program identity shown in titles, the About box and the command line.
#pragma once
#include <string>

constexpr double kProgramVersion = 11.5;
// "Velmora图片批量处理工具(V11.5)"
std::string programTitle();
