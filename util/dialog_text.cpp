#include "util/dialog_text.h"

#include <windows.h>
#include <cstring>

#include "util/path_list.h"
#include "util/text.h"

std::string dialogFilter(const std::vector<std::pair<const char *, const char *>> &pairs)
{
    std::string filter;
    for (const auto &p : pairs) {
        filter += p.first;
        filter += '\0';
        filter += p.second;
        filter += '\0';
    }
    filter += '\0';
    return filter;
}

std::string trimDialogFolder(const std::string &folder)
{
    if (folder.size() > 3 && findLastBackslash(folder) == folder.size() - 1)
        return folder.substr(0, folder.size() - 1);
    return folder;
}

std::string dialogFolderOf(const std::string &fullName)
{
    size_t pos = findLastBackslash(fullName);
    if (pos == std::string::npos)
        return std::string();
    return trimDialogFolder(fullName.substr(0, pos + 1));
}

namespace {

std::string joinFolder(const std::string &folder, const char *name)
{
    std::string path = folder;
    if (!path.empty() && findLastBackslash(path) != path.size() - 1)
        path += '\\';
    return path + name;
}

}  // namespace

int parseDialogSelection(const char *buffer, size_t size, std::string &folder, PathList *list)
{
    folder.clear();
    if (!buffer || size == 0 || !buffer[0])
        return 0;
    size_t firstLength = strnlen(buffer, size);
    if (firstLength >= size)
        return 0;
    int added = 0;
    const char *next = buffer + firstLength + 1;
    const char *end = buffer + size;
    if (next >= end || !*next) {  // one file: the full name alone
        folder = dialogFolderOf(buffer);
        if (list) {
            list->appendCopy(buffer);
            ++added;
        }
        return added;
    }
    std::string base(buffer, firstLength);
    folder = trimDialogFolder(base);
    while (next < end && *next) {
        size_t length = strnlen(next, (size_t)(end - next));
        if (next + length >= end)
            break;  // not terminated inside the buffer
        std::string path = joinFolder(base, next);
        if (list && path.size() < MAX_PATH) {
            list->appendCopy(path.c_str());
            ++added;
        }
        next += length + 1;
    }
    return added;
}
