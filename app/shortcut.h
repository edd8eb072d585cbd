// The desktop shortcut to the running program ("图片批量处理工具.lnk").
#pragma once
#include <string>

// Path of the link file the command writes.
std::string desktopShortcutPath();
// Creates (or replaces) the link; false when any step fails (nothing is shown).
bool createDesktopShortcut();
