// Every kept fuzz input through its harness: the seeds of each target
// (tests/fuzz/corpus/<target>/) and the inputs of the faults the fuzzers found
// (tests/fuzz/regressions/<target>/), so a fault that comes back fails here,
// in the Wine build and in the native sanitizer build alike.
#include "gtest.h"

#include <dirent.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "../fuzz/fuzz_target.h"

namespace {

std::map<std::string, FuzzFunction> &targets()
{
    static std::map<std::string, FuzzFunction> all;
    return all;
}

std::string replaying;  // the input a failed check is about

std::vector<std::string> filesIn(const std::string &folder)
{
    std::vector<std::string> names;
    if (DIR *dir = opendir(folder.c_str())) {
        while (const dirent *entry = readdir(dir))
            if (entry->d_name[0] != '.')
                names.push_back(entry->d_name);
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool readAll(const std::string &path, std::string &bytes)
{
    FILE *f = fopen(path.c_str(), "rb");
    if (!f)
        return false;
    char buffer[65536];
    size_t n;
    bytes.clear();
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0)
        bytes.append(buffer, n);
    fclose(f);
    return true;
}

// Runs every file of the folder through the target; the number of files.
size_t replayFolder(const std::string &target, const std::string &folder)
{
    const std::vector<std::string> names = filesIn(folder);
    for (const std::string &name : names) {
        std::string bytes;
        replaying = folder + "/" + name;
        EXPECT_TRUE(readAll(replaying, bytes)) << replaying;
        targets()[target](reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size());
    }
    return names.size();
}

const std::string kFuzzDir = FUZZ_DIR;

}  // namespace

void fuzzCheckFailed(const char *condition, const char *file, int line)
{
    ADD_FAILURE_AT(file, line) << "check failed: " << condition << "\n  input: " << replaying;
}

FuzzRegistration::FuzzRegistration(const char *name, FuzzFunction function) { targets()[name] = function; }

TEST(FuzzReplay, EveryKeptInputPassesItsHarness)
{
    ASSERT_GE(targets().size(), 12u);
    for (const auto &target : targets()) {
        SCOPED_TRACE(target.first);
        EXPECT_GT(replayFolder(target.first, kFuzzDir + "/corpus/" + target.first), 0u) << "no seeds";
        replayFolder(target.first, kFuzzDir + "/regressions/" + target.first);
    }
}

TEST(FuzzReplay, EveryKeptFolderBelongsToATarget)
{
    for (const char *kind : {"corpus", "regressions"})
        for (const std::string &folder : filesIn(kFuzzDir + "/" + kind))
            EXPECT_EQ(targets().count(folder), 1u) << kind << "/" << folder;
}
