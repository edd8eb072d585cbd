// The values a tool stores, as a table: their registry names, what they may hold
// and their defaults. The command line reads a settings file of "name=value"
// lines against the table and lists the table for --help; the windows and jobs
// read the same names through StoredValues (util/stored_values.h).
#pragma once
#include <string>
#include <vector>

#include "util/stored_values.h"

struct ToolValueDef {
    std::string name;      // the registry value name, e.g. "convert_quality"
    bool isText;           // REG_SZ (one of `texts`) or REG_DWORD (low..high)
    long low, high;        // DWORD range accepted in a settings file
    const char *texts;     // text values accepted, separated by '|' ("JPG|PNG")
    const char *fallback;  // what a missing value means, as shown by --help
    const char *meaning;   // one line for --help
};

// Parses a settings file's bytes: one "name=value" per line (LF or CR LF),
// blanks around name and value ignored, empty lines and lines starting with '#'
// or ';' skipped, a UTF-8 byte-order mark skipped. Every name must be one of the
// table's; numbers are decimal (or 0x hexadecimal) within the table's range;
// texts one of its texts (letters in any case, stored as listed). A name may be
// given once. false with a message naming the line on the first fault; values
// holds the lines read.
bool parseToolValues(const std::string &bytes, const std::vector<ToolValueDef> &table, ValueMap &values,
                     std::string &error);

// Reads a settings file (GBK path, at most 64 KB) and parses it. An empty file,
// or one without a single value line, is refused as --batch refuses it.
bool readToolValuesFile(const std::string &path, const std::vector<ToolValueDef> &table, ValueMap &values,
                        std::string &error);

// The --help lines of the table: "  name=range  (缺省 x)  meaning".
std::string toolValuesHelp(const std::vector<ToolValueDef> &table);

// The rows of the shared output block under a prefix ("convert", "crop", "join",
// "slice"): _format, _quality, _transparent, _png8, _png8_color_count,
// _keep_file_time.
void appendOutputValues(std::vector<ToolValueDef> &table, const std::string &prefix);

// "auto_orient": the main window's "按照片方向自动旋转", which every tool follows.
// The main window keeps it in the registry; a tool's settings file may give it.
extern const char kAutoOrientValue[];
void appendAutoOrientValue(std::vector<ToolValueDef> &table);
bool autoOrientFrom(const StoredValues &values);  // missing: on
