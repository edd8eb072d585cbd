// The main tool's output names from any GBK texts: a candidate is empty or a
// path within the limit under the target folder, ending in ".jpg"; the folder
// prefixes come parent first and each once; a relative folder found below a
// chosen folder lies in the picture's path; keys are stable.
#include "fuzz_target.h"

#include <string>
#include <vector>

#include "core/target_naming.h"
#include "util/path_join.h"
#include "util/text.h"

FUZZ_TARGET(target_naming)
{
    FuzzBytes in(data, size);
    const bool keepStructure = in.flag();
    const int n = int(in.number(1, 100000));
    const std::string target = in.text(), relative = in.text(), source = in.text(), chosen = in.text();
    std::vector<std::string> folders;
    // The batch hands over only folders it found safe.
    while (in.left() > 0) {
        const std::string folder = in.text();
        if (isSafeRelativeFolder(folder))
            folders.push_back(folder);
    }

    const std::string base = targetBaseName(source);
    FUZZ_CHECK(base.size() <= source.size());
    const std::string candidate = targetCandidate(target, relative, base, keepStructure, n);
    if (!candidate.empty()) {
        FUZZ_CHECK(candidate.size() <= kMaxPathBytes);
        FUZZ_CHECK(endsWith(candidate, (n > 1 ? "(" + std::to_string(n) + ")" : std::string()) + ".jpg"));
        FUZZ_CHECK(candidate.compare(0, target.size(), target) == 0);
    }

    const std::string folder = folderWithBackslash(target);
    FUZZ_CHECK(folder.empty() == target.empty());
    FUZZ_CHECK(folder.empty() || folder.back() == '\\');

    const std::vector<std::string> prefixes = relativeFolderPrefixes(folders);
    for (size_t i = 0; i < prefixes.size(); ++i) {
        FUZZ_CHECK(!prefixes[i].empty());
        for (size_t j = 0; j < i; ++j)
            FUZZ_CHECK(prefixes[j] != prefixes[i]);
        // A prefix's parent (when it has one) came before it.
        const size_t cut = findLastBackslash(prefixes[i]);
        if (cut != std::string::npos && cut > 0) {
            bool parentFirst = false;
            for (size_t j = 0; j < i; ++j)
                parentFirst = parentFirst || prefixes[j] == prefixes[i].substr(0, cut);
            FUZZ_CHECK(parentFirst);
        }
    }
    if (isSafeRelativeFolder(relative))
        for (const std::string &prefix : relativeFolderPrefixes({relative}))
            FUZZ_CHECK(isSafeRelativeFolder(prefix));

    const std::string below = relativeFolderBelow(chosen, source);
    if (!below.empty())
        FUZZ_CHECK(pathKey(source).find(pathKey(below)) != std::string::npos);

    const std::string key = pathKey(source);
    FUZZ_CHECK(key.size() == source.size() && pathKey(key) == key);
    return 0;
}
