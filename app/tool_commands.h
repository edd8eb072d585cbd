// velmora --tool NAME ...: the table of the folder tools the command line knows,
// their usage and the whole command (tools/common/tool_cli.h has its parts).
#pragma once
#include <string>
#include <vector>

#include "tools/common/tool_cli.h"

// Every tool the command line knows.
const std::vector<ToolCommand> &toolCommands();

// The general usage, or one tool's with its value table.
std::string toolUsageText(const ToolCommand *tool = nullptr);

// Runs the whole command; ImageMagick must be started by the caller.
int runToolCommand(const std::vector<std::string> &args);
