// The program's arguments as GBK texts (argv[0] excluded).
#pragma once
#include <string>
#include <vector>

std::vector<std::string> commandLineArguments();
// Lets a windowed program print to the terminal that started it (Windows only;
// a Winelib module writes to the Unix terminal directly).
void attachParentConsole();
