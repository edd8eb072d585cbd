// The fonts a text watermark can be drawn with: which file holds a face, which
// ImageMagick family a file is, and whether ImageMagick can draw a face at all or
// draw Chinese with it. The tables are built once at start-up (app/startup.h).
#pragma once
#include <string>
#include <unordered_map>

struct _DrawingWand;
struct StartupConfig;

// Fills both font tables from the fonts folder and the system's font catalogue.
void buildFontTables(StartupConfig &config);

// The fallback font paths and both tables for a process without the window's
// start-up (the command line, tests); built on the first call only.
void loadFontTablesOnce();
// Face name (GBK) -> font file (lower case), the fallback for the common Chinese
// faces included; empty when the face is unknown.
std::string fontFileForFace(const std::string &face);
// Selects the face on a drawing wand: by file when known (ImageMagick's family
// names change with the locale), else by family name.
void selectWatermarkFont(_DrawingWand *draw, const std::string &face);
// True when the face is known (face table, fallback file, or an ImageMagick
// family of that name), ImageMagick can measure text in it and, with
// needChinese, "中" comes out wider than "a" (a font without Chinese glyphs draws
// it no wider).
bool fontUsable(const std::string &face, bool needChinese);
