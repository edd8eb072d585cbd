// Small file-system helpers used by every tool. All take and return GBK paths
// and go through Win32 (the C library cannot open Windows paths under Winelib).
// None of them shows a message.
#pragma once
#include <string>

struct PathList;

bool fileExists(const char *path);          // can be opened for reading
bool isDirectory(const char *path);
int fileSize(const char *path);              // bytes (capped at INT_MAX), -1 when it cannot be opened
bool hasSubfolder(const char *folder);       // a sub-folder (not a link) whose name does not begin with '.'
// Appends "folder\name" of each sub-folder (not starting with '.'); with recursive
// set descends into each right after appending it (pre-order). Links to folders
// (junctions, symbolic links) are neither listed nor descended: one that points
// at an ancestor would list the same pictures again and again.
void listSubfolders(const char *folder, PathList *list, bool recursive);
// A reparse point that names another place (junction, symbolic link), from the
// attributes and reparse tag (dwReserved0) of a directory listing entry.
bool isLinkReparsePoint(unsigned int attributes, unsigned int reparseTag);
void listPictures(const char *folder, PathList *list);
// A null or empty pattern means "*.*". For "*.ext" only names whose extension
// (after the last '.') equals ext, ignoring case, are kept: the platform's
// wildcard also matches 8.3 short names such as "a.png_bak".
void listFilesByPattern(const char *folder, PathList *list, const char *pattern);
void listFontFiles(const char *folder, PathList *list);
void listFileNames(const char *folder, const char *pattern, PathList *list);
bool specialFolderPath(int csidl, char *out);  // out holds MAX_PATH bytes; desktop is 0
// The text after the last backslash, or the whole path when it has none.
std::string fileNamePart(const std::string &path);

// Extension sets, compared case-insensitively from the last '.' to the end.
bool isPictureFileName(const char *name);
bool isFontFileName(const char *name);
