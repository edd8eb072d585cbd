// Proves on start (or from the command line) that the picture libraries work on
// this machine: ImageMagick reads and writes JPEG through a Chinese path, GBK
// converts to UTF-8 and back, libimagequant and LodePNG produce a palette PNG.
#pragma once
#include <string>

// Each check appends one line ("ok: ..." or "失败: ...") to report. True when all pass.
bool runSelfTest(std::string &report);
