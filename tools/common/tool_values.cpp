#include "tools/common/tool_values.h"

#include <set>

#include <windows.h>

#include "util/safe_file.h"
#include "util/settings_lines.h"
#include "util/text.h"

namespace {

const unsigned long kMaxToolSettingsBytes = 64 * 1024;

const ToolValueDef *findSpec(const std::vector<ToolValueDef> &table, const std::string &name)
{
    for (const ToolValueDef &def : table)
        if (name == def.name)
            return &def;
    return nullptr;
}

std::string rangeText(const ToolValueDef &def)
{
    if (def.isText)
        return replaceAll(def.texts, "|", " 或 ");
    if (def.low == 0 && def.high == 1)
        return "0 或 1";
    return formatText("%ld..%ld", def.low, def.high);
}

}  // namespace

bool parseToolValues(const std::string &bytes, const std::vector<ToolValueDef> &table, ValueMap &values,
                     std::string &error)
{
    std::set<std::string> seen;
    for (const SettingsLine &settingsLine : splitSettingsLines(bytes)) {
        const int lineNumber = settingsLine.number;
        const std::string line = trimBlanks(settingsLine.text);
        if (line.empty() || line[0] == '#' || line[0] == ';')
            continue;
        if (line.find('\0') != std::string::npos) {
            error = formatText("设置文件第 %d 行不是文本", lineNumber);
            return false;
        }
        size_t eq = line.find('=');
        if (eq == std::string::npos) {
            error = formatText("设置文件第 %d 行缺少 '=': %s", lineNumber, line.c_str());
            return false;
        }
        std::string name = trimBlanks(line.substr(0, eq));
        std::string value = trimBlanks(line.substr(eq + 1));
        const ToolValueDef *def = findSpec(table, name);
        if (!def) {
            error = formatText("设置文件第 %d 行: 未知的设置项 %s", lineNumber, name.c_str());
            return false;
        }
        if (!seen.insert(name).second) {
            error = repeatedSettingText(lineNumber, name);
            return false;
        }
        if (def->isText) {
            bool known = false;
            for (const std::string &allowed : splitText(def->texts, '|'))
                if (equalsNoCase(value, allowed)) {
                    values.setText(name, allowed);
                    known = true;
                }
            if (!known) {
                error = formatText("设置文件第 %d 行: %s 只能是 %s", lineNumber, name.c_str(), rangeText(*def).c_str());
                return false;
            }
        } else {
            long long number = 0;
            if (!parseWholeNumber(value, def->low, def->high, number)) {
                error = formatText("设置文件第 %d 行: %s 只能是 %s 的整数", lineNumber, name.c_str(),
                                   rangeText(*def).c_str());
                return false;
            }
            values.setDword(name, (DWORD)number);
        }
    }
    return true;
}

// A file on disk: a pipe or a device could block the run or read as empty.
static bool isDiskFile(const std::string &path)
{
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return false;
    bool disk = GetFileType(f) == FILE_TYPE_DISK;
    CloseHandle(f);
    return disk;
}

bool readToolValuesFile(const std::string &path, const std::vector<ToolValueDef> &table, ValueMap &values,
                        std::string &error)
{
    std::vector<unsigned char> bytes;
    DWORD code = 0;
    if (isDiskFile(path) && readWholeFile(path, bytes, kMaxToolSettingsBytes, code)) {
        // A file that gives no value is no settings file: running on the defaults
        // by mistake would, with --overwrite, change every original unasked.
        if (bytes.empty()) {
            error = settingsFileEmptyText(path);
            return false;
        }
        if (!parseToolValues(std::string(bytes.begin(), bytes.end()), table, values, error))
            return false;
        for (const ToolValueDef &def : table)
            if (values.has(def.name))
                return true;
        error = settingsFileWithoutKeysText(path);
        return false;
    }
    if (code == ERROR_FILE_TOO_LARGE)
        error = formatText("设置文件太大 (最多 %lu 字节): %s", kMaxToolSettingsBytes, path.c_str());
    else
        error = formatText("无法读取设置文件: %s", path.c_str());
    return false;
}

std::string toolValuesHelp(const std::vector<ToolValueDef> &table)
{
    std::string text;
    for (const ToolValueDef &def : table)
        text += formatText("  %s=%s  (缺省 %s)  %s\n", def.name.c_str(), rangeText(def).c_str(), def.fallback,
                           def.meaning);
    return text;
}

void appendOutputValues(std::vector<ToolValueDef> &table, const std::string &prefix)
{
    table.push_back({prefix + "_format", true, 0, 0, "JPG|PNG|WEBP", "JPG", "转换后的格式"});
    table.push_back({prefix + "_quality", false, 10, 100, nullptr, "90", "JPG 和 WEBP 的质量 (WEBP 为 100 时无损)"});
    table.push_back({prefix + "_transparent", false, 0, 1, nullptr, "1", "PNG 和 WEBP: 保留透明度"});
    table.push_back({prefix + "_png8", false, 0, 1, nullptr, "0", "PNG: 保存为 PNG-8 (调色板)"});
    table.push_back({prefix + "_png8_color_count", false, 2, 256, nullptr, "256", "PNG-8 的颜色数"});
    table.push_back({prefix + "_keep_file_time", false, 0, 1, nullptr, "0", "保留原图的修改时间"});
}

const char kAutoOrientValue[] = "auto_orient";

void appendAutoOrientValue(std::vector<ToolValueDef> &table)
{
    table.push_back({kAutoOrientValue, false, 0, 1, nullptr, "1", "按照片方向自动旋转 (与主窗口的设置相同)"});
}

bool autoOrientFrom(const StoredValues &values)
{
    return values.dwordOr(kAutoOrientValue, 1) != 0;
}
