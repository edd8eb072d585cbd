// The tools' "name=value" reader on any bytes, against each tool's real table.
// On success every value is one the table allows, and the values written back as
// lines read back to the same values; on failure the message names a line.
#include "fuzz_target.h"

#include <string>
#include <vector>

#include "tools/common/tool_values.h"
#include "tools/convert/convert_job.h"
#include "tools/crop/crop_job.h"
#include "tools/join/join_job.h"
#include "tools/png/png_job.h"
#include "tools/slice/slice_job.h"
#include "util/text.h"

namespace {

// The values of the table the map holds, as a settings file would give them.
std::string valueLines(const std::vector<ToolValueDef> &table, const ValueMap &values)
{
    std::string text;
    for (const ToolValueDef &def : table) {
        DWORD number = 0;
        std::string value;
        if (values.readText(def.name.c_str(), value))
            text += def.name + "=" + value + "\n";
        else if (values.readDword(def.name.c_str(), number))
            text += def.name + "=" + std::to_string(number) + "\n";
    }
    return text;
}

}  // namespace

FUZZ_TARGET(tool_values)
{
    if (size == 0)
        return 0;
    const std::vector<ToolValueDef> *tables[] = {&convertToolValues(), &pngToolValues(), &cropToolValues(),
                                                 &joinToolValues(), &sliceToolValues()};
    const std::vector<ToolValueDef> &table = *tables[data[0] % 5];
    const std::string bytes(reinterpret_cast<const char *>(data) + 1, size - 1);

    ValueMap values;
    std::string error;
    if (!parseToolValues(bytes, table, values, error)) {
        FUZZ_CHECK(error.find("第 ") != std::string::npos);
        return 0;
    }
    FUZZ_CHECK(error.empty());
    for (const ToolValueDef &def : table) {
        DWORD number = 0;
        std::string text;
        if (def.isText && values.readText(def.name.c_str(), text)) {
            bool allowed = false;
            for (const std::string &option : splitText(def.texts, '|'))
                allowed = allowed || option == text;
            FUZZ_CHECK(allowed);
        } else if (!def.isText && values.readDword(def.name.c_str(), number)) {
            FUZZ_CHECK((long long)number >= def.low && (long long)number <= def.high);
        }
    }
    const std::string lines = valueLines(table, values);
    ValueMap again;
    FUZZ_CHECK(parseToolValues(lines, table, again, error));
    FUZZ_CHECK(valueLines(table, again) == lines);
    return 0;
}
