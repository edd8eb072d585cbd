#include "core/target_naming.h"

#include "util/path_join.h"
#include "util/text.h"

static bool isGbkLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

// Calls visit(index) for each single-byte character of a GBK text; two-byte
// characters are stepped over whole, so their trail bytes never look like '\\'.
template <typename Visit>
static void forEachSingleByte(const std::string &text, Visit visit)
{
    for (size_t i = 0; i < text.size();) {
        if (isGbkLeadByte((unsigned char)text[i]) && i + 1 < text.size()) {
            i += 2;
            continue;
        }
        visit(i);
        ++i;
    }
}

std::string folderWithBackslash(const std::string &folder)
{
    if (folder.empty() || findLastBackslash(folder) == folder.size() - 1)
        return folder;
    return folder + "\\";
}

std::string targetBaseName(const std::string &sourcePath)
{
    size_t sep = findLastBackslash(sourcePath);
    std::string name = sep == std::string::npos ? sourcePath : sourcePath.substr(sep + 1);
    size_t dot = name.rfind('.');  // '.' is never a GBK trail byte
    return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string targetCandidate(const std::string &targetFolder, const std::string &relativeFolder,
                            const std::string &base, bool keepStructure, int n)
{
    std::string name;
    // An item added without a folder has no sub-folder to mirror: it goes into the
    // target folder itself, named without a doubled backslash.
    if (keepStructure && !relativeFolder.empty())
        name = relativeFolder + "\\";
    name += base;
    if (n > 1)
        name += formatText("(%d)", n);
    name += ".jpg";
    std::string out;
    return joinPath(out, targetFolder, name) ? out : std::string();
}

std::vector<std::string> relativeFolderPrefixes(const std::vector<std::string> &relativeFolders)
{
    std::vector<std::string> prefixes;
    auto addOnce = [&](const std::string &prefix) {
        for (const std::string &known : prefixes)
            if (known == prefix)
                return;
        prefixes.push_back(prefix);
    };
    for (const std::string &folder : relativeFolders) {
        if (folder.empty())
            continue;
        forEachSingleByte(folder, [&](size_t i) {
            if (folder[i] == '\\')
                addOnce(folder.substr(0, i));
        });
        addOnce(folder);
    }
    return prefixes;
}

bool isSafeRelativeFolder(const std::string &relativeFolder)
{
    if (relativeFolder.empty())
        return true;
    std::vector<std::string> parts;
    size_t start = 0;
    bool hasColonOrSlash = false;
    forEachSingleByte(relativeFolder, [&](size_t i) {
        char c = relativeFolder[i];
        if (c == ':' || c == '/')
            hasColonOrSlash = true;
        if (c == '\\') {
            parts.push_back(relativeFolder.substr(start, i - start));
            start = i + 1;
        }
    });
    parts.push_back(relativeFolder.substr(start));
    if (hasColonOrSlash)
        return false;
    for (const std::string &part : parts)
        if (part.empty() || part == "." || part == "..")
            return false;
    return true;
}

std::string relativeFolderBelow(const std::string &chosenFolder, const std::string &picturePath)
{
    std::string chosen = chosenFolder;
    while (!chosen.empty() && findLastBackslash(chosen) == chosen.size() - 1)
        chosen.pop_back();
    size_t sep = findLastBackslash(chosen);
    if (sep == std::string::npos)
        return std::string();
    std::string parentPrefix = chosen.substr(0, sep + 1);
    if (picturePath.size() <= parentPrefix.size() ||
        !equalsNoCase(picturePath.substr(0, parentPrefix.size()), parentPrefix))
        return std::string();
    std::string rest = picturePath.substr(parentPrefix.size());
    size_t cut = findLastBackslash(rest);
    return cut == std::string::npos ? std::string() : rest.substr(0, cut);
}

std::string pathKey(const std::string &path)
{
    std::string key = path;
    forEachSingleByte(key, [&](size_t i) {
        char c = key[i];
        if (c >= 'A' && c <= 'Z')
            key[i] = (char)(c - 'A' + 'a');
        else if (c == '/')
            key[i] = '\\';
    });
    return key;
}

static std::string withoutTrailingBackslashes(std::string folder)
{
    while (folder.size() > 3 && endsWithBackslash(folder))
        folder.pop_back();
    return folder;
}

bool isSameOrBelowFolder(const std::string &inner, const std::string &outer)
{
    std::string in = pathKey(withoutTrailingBackslashes(inner));
    std::string out = pathKey(withoutTrailingBackslashes(outer));
    if (out.empty())
        return false;
    if (in == out)
        return true;
    // "C:\" ends in its separator; every other folder gets one here.
    std::string prefix = endsWithBackslash(out) ? out : out + "\\";
    return in.size() > prefix.size() && in.compare(0, prefix.size(), prefix) == 0;
}

std::string deviceNamedPart(const std::string &relativeFolder)
{
    size_t start = 0;
    std::string found;
    auto check = [&](size_t end) {
        std::string part = relativeFolder.substr(start, end - start);
        if (found.empty() && isDeviceName(part))
            found = part;
    };
    forEachSingleByte(relativeFolder, [&](size_t i) {
        if (relativeFolder[i] == '\\') {
            check(i);
            start = i + 1;
        }
    });
    if (start <= relativeFolder.size() && !relativeFolder.empty())
        check(relativeFolder.size());
    return found;
}
