// The texts the common open and save dialogs take and give back: filters of
// label and pattern pairs, folders and multi-select answers (no window needed).
#pragma once
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

struct PathList;

// A dialog filter from (label, patterns) pairs: "label\0patterns\0...\0\0".
std::string dialogFilter(const std::vector<std::pair<const char *, const char *>> &pairs);
// The folder of a full file name: without a trailing backslash unless it is a
// drive root ("C:\a.jpg" -> "C:\", "D:\x\b.png" -> "D:\x").
std::string dialogFolderOf(const std::string &fullName);
// The folder a multi-select dialog returned, without its trailing backslash
// unless it is 3 characters or shorter.
std::string trimDialogFolder(const std::string &folder);
// Parses the names a multi-select dialog returns ("folder\0name\0name\0\0" or
// "fullname\0\0") into full paths appended to list as heap copies; folder
// receives the folder. Returns the number of paths appended.
int parseDialogSelection(const char *buffer, size_t size, std::string &folder, PathList *list);
