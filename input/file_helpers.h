// Small file-system helpers used by every tool. All take and return GBK paths
// and go through Win32 (the C library cannot open Windows paths under Winelib).
// None of them shows a message.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

struct PathList;

// The entries a listing could not take, one information-window text each
// ("<reason>:\r\n<path>"): a path longer than the platform limit (a file that
// would be taken, a sub-folder), a file named like a device ("aux.png"). The
// listing goes on without them; the caller says so to the user.
typedef std::vector<std::string> LeftOutLines;
// Each line to the information window (showInfoMessage, util/info_log.h).
void logLeftOut(const LeftOutLines &lines);

bool fileExists(const char *path);          // can be opened for reading
bool isDirectory(const char *path);
int fileSize(const char *path);              // bytes (capped at INT_MAX), -1 when it cannot be opened
bool hasSubfolder(const char *folder);       // a sub-folder (not a link) whose name does not begin with '.'
// Appends "folder\name" of each sub-folder (not starting with '.'); with recursive
// set descends into each right after appending it (pre-order). Links to folders
// (junctions, symbolic links) are neither listed nor descended: one that points
// at an ancestor would list the same pictures again and again.
void listSubfolders(const char *folder, PathList *list, bool recursive, LeftOutLines *leftOut = nullptr);
// A reparse point that names another place (junction, symbolic link), from the
// attributes and reparse tag (dwReserved0) of a directory listing entry.
bool isLinkReparsePoint(unsigned int attributes, unsigned int reparseTag);
void listPictures(const char *folder, PathList *list, LeftOutLines *leftOut = nullptr);
// A null or empty pattern means "*.*". For "*.ext" only names whose extension
// (after the last '.') equals ext, ignoring case, are kept: the platform's
// wildcard also matches 8.3 short names such as "a.png_bak".
void listFilesByPattern(const char *folder, PathList *list, const char *pattern, LeftOutLines *leftOut = nullptr);
void listFontFiles(const char *folder, PathList *list);
void listFileNames(const char *folder, const char *pattern, PathList *list);
bool specialFolderPath(int csidl, char *out);  // out holds MAX_PATH bytes; desktop is 0
// Creates the folder (its parent must exist). A folder that is there, or that
// another run makes at the same moment, is fine. false with the error code.
bool makeFolder(const std::string &path, DWORD &error);

// The text after the last backslash, or the whole path when it has none.
std::string fileNamePart(const std::string &path);

// Extension sets, compared case-insensitively from the last '.' to the end.
bool isPictureFileName(const char *name);
bool isFontFileName(const char *name);
