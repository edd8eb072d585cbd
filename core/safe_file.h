// Writing a whole file so that it is either complete or not there at all: the
// bytes go to a temporary file in the target's own folder, which is flushed and
// then moved over the target. Every output of the program that may replace or
// create a picture goes through here.
#pragma once
#include <windows.h>

#include <cstddef>
#include <string>

#include <wand/MagickWand.h>

// Which step failed; Done when the file is in place.
enum class SafeWriteStep { Done, Open, Write, Replace };

// Writes size bytes to path, replacing a file already there. On failure the
// file at path is exactly as it was (or still absent) and no temporary file is
// left behind; systemError (may be null) receives the system's error code. A
// read-only file at path is not replaced (Open, ERROR_ACCESS_DENIED): its owner
// protected it, and a rename would replace it all the same on some systems.
SafeWriteStep writeFileSafely(const std::string &path, const void *bytes, size_t size, DWORD *systemError = nullptr);

// The system's own words for an error code (GBK), or "error N" when it has none.
std::string systemErrorText(DWORD code);

// Encodes the wand's current image in its set format and puts it at target
// through writeFileSafely. Empty on success, else the reason (GBK): ImageMagick's
// words when encoding failed, "无法写入 '<target>': <system's words>" when writing did.
std::string writeWandSafely(MagickWand *wand, const std::string &target);
