#include "util/path_join.h"

#include <cstring>

#include "util/text.h"

static bool joined(std::string &result, const char *folder, const char *name)
{
    result = folder ? folder : "";
    if (!result.empty() && !endsWithBackslash(result))
        result += '\\';
    result += name ? name : "";
    return result.size() <= kMaxPathBytes;
}

bool joinPath(std::string &out, const std::string &folder, const std::string &name)
{
    std::string result;
    if (!joined(result, folder.c_str(), name.c_str()))
        return false;
    out = result;
    return true;
}

bool joinPath(char *out, size_t size, const char *folder, const char *name)
{
    std::string result;
    if (!out || !joined(result, folder, name) || result.size() + 1 > size)
        return false;
    memcpy(out, result.c_str(), result.size() + 1);
    return true;
}

bool isDeviceName(const std::string &name, std::string *device)
{
    // The part before the first '.' or ':', without trailing spaces, decides.
    size_t end = name.find_first_of(".:");
    std::string part = name.substr(0, end);
    while (!part.empty() && part.back() == ' ')
        part.pop_back();
    std::string upper;
    for (char c : part)
        upper += (c >= 'a' && c <= 'z') ? (char)(c - 'a' + 'A') : c;
    bool reserved = upper == "CON" || upper == "PRN" || upper == "AUX" || upper == "NUL" ||
                    (upper.size() == 4 && (upper.compare(0, 3, "COM") == 0 || upper.compare(0, 3, "LPT") == 0) &&
                     upper[3] >= '1' && upper[3] <= '9');
    if (reserved && device)
        *device = upper;
    return reserved;
}
