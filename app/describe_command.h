// velmora --describe FILE...: the one-line description of each picture in the
// terminal, without the window.
#pragma once
#include <string>
#include <vector>

// Exit codes: every file described as a picture, some file not a picture, no file given.
enum DescribeExitCode { kDescribeAllPictures = 0, kDescribeSomeNotPictures = 1, kDescribeUsageError = 2 };

// One stdout line per file, "FILE: description". A file whose header is not
// recognised is reported like in the window ("无法识别的图片:" on the error
// stream) and described by decoding it instead. ImageMagick must be started.
int runDescribeCommand(const std::vector<std::string> &files);
