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
