// The one boundary between the program's GBK paths and what ImageMagick opens.
#pragma once
#include <string>

// Turns a GBK path (absolute or relative to the current folder) into the UTF-8
// path ImageMagick opens: under Wine the Unix path of the file, on Windows the
// full Windows path. Empty when the path cannot be converted (for example when a
// parent folder is missing under Wine).
std::string magickPath(const std::string &gbkPath);

// The same for a name ImageMagick writes to: every '%' is doubled, because
// ImageMagick reads %d, %x, %o in an output name as a frame template
// ("a 20%off.jpg" would become "a 200ff.jpg").
std::string magickWritePath(const std::string &gbkPath);

// A path given on the command line or by a test harness: a Unix path
// ("/tmp/a.jpg", under Wine only) becomes its DOS form ("Z:\tmp\a.jpg");
// anything else is returned unchanged.
std::string dosPathFromArgument(const std::string &gbkPath);

// The Unix path of a file when the program runs under Wine (what a Linux program
// opens; the tests hand it to the host's reference tools), empty on Windows or
// when a parent folder is missing.
std::string unixPathUnderWine(const std::string &gbkPath);

// Full path of a file or folder (GetFullPathNameA); the input when it fails.
std::string fullPath(const std::string &gbkPath);
