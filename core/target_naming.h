// Output names of the main tool: how a source picture's JPEG name is formed in
// the target folder, and which folders the structure mode needs. Plain text work
// on GBK paths; nothing here touches the file system.
#pragma once
#include <string>
#include <vector>

// GBK paths are split with findLastBackslash (util/text.h): a GBK trail byte may
// be 0x5C, so "籠\a.jpg" has one separator, not two.

// The folder text as the loops use it: ending in a backslash
// (an empty text stays empty).
std::string folderWithBackslash(const std::string &folder);

// The source file name after the last backslash without its last extension:
// "x\archive.tar.gz" -> "archive.tar", "x\photo" -> "photo". Dots in folder
// names are not extensions.
std::string targetBaseName(const std::string &sourcePath);

// Candidate number n (1, 2, 3, ...) for one item:
//   n = 1: target\base.jpg, or target\relative\base.jpg with the structure kept;
//   n > 1: target\base(n).jpg, or target\relative\base(n).jpg.
// targetFolder may come with or without its trailing backslash; an empty relative
// folder in structure mode names the target folder itself. Empty when the path
// would not fit the path limit (it is never cut: a cut name may name another file).
std::string targetCandidate(const std::string &targetFolder, const std::string &relativeFolder,
                            const std::string &base, bool keepStructure, int n);

// Every distinct prefix of the relative folders, cut at each backslash and at the
// end, in order of first appearance: "a\b\c" gives a, a\b, a\b\c. Each prefix comes
// after its parent, so creating them in this order builds the tree one level at a time.
std::vector<std::string> relativeFolderPrefixes(const std::vector<std::string> &relativeFolders);

// A relative folder may only name folders below the target: no drive, no leading
// or doubled backslash, no "." or ".." part. Empty is safe (no sub-folder).
bool isSafeRelativeFolder(const std::string &relativeFolder);

// The relative folder of a picture found below a chosen folder: its folder's path
// below the chosen folder's parent, so it begins with the chosen folder's own
// name (chosen D:\photos\trip, picture D:\photos\trip\day1\a.jpg -> "trip\day1").
// Empty when the picture does not lie below the chosen folder's parent.
std::string relativeFolderBelow(const std::string &chosenFolder, const std::string &picturePath);

// A key under which two spellings of one path compare equal the way the file
// system compares names: ASCII letters folded (two-byte GBK characters kept as
// they are), '/' read as '\'.
std::string pathKey(const std::string &path);

// inner is the folder outer itself or lies below it (names compared as pathKey
// compares them; trailing backslashes ignored).
bool isSameOrBelowFolder(const std::string &inner, const std::string &outer);

// The first part of a relative folder that Windows keeps for a device ("con" in
// "trip\con\day1"), or empty: such a folder cannot be made below the target.
std::string deviceNamedPart(const std::string &relativeFolder);
