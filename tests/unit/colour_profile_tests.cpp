// The ICC profiles from the "icc" folder beside the program: loading, the
// fallback list, the stored choice, and a CMYK picture converted with them.
#include "gtest.h"
#include "test_util.h"
#include "pipeline_test_support.h"

#include <windows.h>

#include "util/registry_store.h"
#include "imaging/colour_profiles.h"
#include "imaging/magick_env.h"
#include "util/text.h"

namespace {

// Puts "cmyk_default_icc" back as it was (or removes it) when the test ends.
class StoredProfileName {
public:
    StoredProfileName()
    {
        char buffer[MAX_PATH] = {};
        DWORD size = sizeof buffer;
        had_ = readRegString(HKEY_CURRENT_USER, kProgramRegistryKey, "cmyk_default_icc", buffer, &size);
        old_ = buffer;
    }
    ~StoredProfileName()
    {
        if (had_)
            writeProgramString("cmyk_default_icc", old_);
        else
            remove();
    }
    static void remove()
    {
        HKEY key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, kProgramRegistryKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
            RegDeleteValueA(key, "cmyk_default_icc");
            RegCloseKey(key);
        }
    }
    static std::string now() { return readProgramString("cmyk_default_icc"); }

private:
    bool had_ = false;
    std::string old_;
};

const char kSwop[] = "icc/default_cmyk_swop_ghostscript.icc";
const char kSrgb[] = "icc/sRGB_icc-profiles-free.icc";

}  // namespace

TEST(ColourProfiles, MissingWrongAndFallbackProfiles)
{
    StoredProfileName keep;
    ScratchFolder program("程序_icc");
    std::string bytes;
    std::string message;

    // No "icc" folder at all.
    EXPECT_FALSE(loadSrgbProfile(program.path(), bytes, message));
    EXPECT_EQ(message, "无法启用 sRGB.icc\n\n没有找到 sRGB.icc 配置文件。");
    EXPECT_TRUE(bytes.empty());
    writeProgramString("cmyk_default_icc", "keep.icc");
    CmykProfileLoad none = loadCmykProfile(program.path(), "JapanColor2001Coated.icc");
    EXPECT_EQ(none.message, "加载ICC色彩特性文件 '" + program.path() + "\\icc\\JapanColor2001Coated.icc' 出错。");
    EXPECT_TRUE(none.bytes.empty());
    EXPECT_EQ(none.name, "JapanColor2001Coated.icc");
    EXPECT_EQ(StoredProfileName::now(), "keep.icc") << "nothing stored without a profile";

    // Files that are no profile, or a profile of the wrong kind, do not load.
    ASSERT_TRUE(CreateDirectoryA((program / "icc").c_str(), nullptr));
    ASSERT_TRUE(writeFileBytes(program / "icc\\sRGB.icc", "not a profile at all"));
    EXPECT_FALSE(loadSrgbProfile(program.path(), bytes, message));
    EXPECT_EQ(message, "无法启用 sRGB.icc\n\n加载 sRGB.icc 文件出错。");
    ASSERT_TRUE(copyFileTo(samplePath(kSwop), program / "icc\\sRGB.icc"));
    EXPECT_FALSE(loadSrgbProfile(program.path(), bytes, message)) << "a CMYK profile taken for sRGB";
    ASSERT_TRUE(copyFileTo(samplePath(kSrgb), program / "icc\\USWebCoatedSWOP.icc"));
    EXPECT_TRUE(loadCmykProfile(program.path(), "USWebCoatedSWOP.icc").bytes.empty()) << "an RGB profile taken for CMYK";
    std::string cut = readFileBytes(samplePath(kSwop)).substr(0, 4000);
    ASSERT_TRUE(writeFileBytes(program / "icc\\USWebCoatedSWOP.icc", cut));
    EXPECT_TRUE(loadCmykProfile(program.path(), "USWebCoatedSWOP.icc").bytes.empty()) << "a cut profile";

    // Only "CoatedFOGRA39.icc" present and the stored name missing: one message,
    // the fallback loads and its name is stored.
    DeleteFileA((program / "icc\\USWebCoatedSWOP.icc").c_str());
    ASSERT_TRUE(copyFileTo(samplePath(kSwop), program / "icc\\CoatedFOGRA39.icc"));
    writeProgramString("cmyk_default_icc", "Gone.icc");
    CmykProfileLoad fallback = loadStoredCmykProfile(program.path());
    EXPECT_EQ(fallback.message, "加载ICC色彩特性文件 '" + program.path() + "\\icc\\Gone.icc' 出错。");
    EXPECT_EQ(fallback.name, "CoatedFOGRA39.icc");
    EXPECT_EQ(fallback.bytes, readFileBytes(samplePath(kSwop)));
    EXPECT_EQ(StoredProfileName::now(), "CoatedFOGRA39.icc");
    // From then on it loads without a message.
    CmykProfileLoad again = loadStoredCmykProfile(program.path());
    EXPECT_TRUE(again.message.empty());
    EXPECT_EQ(again.name, "CoatedFOGRA39.icc");

    // Nothing ever chosen and the default not installed: said like any other name.
    StoredProfileName::remove();
    CmykProfileLoad unnamed = loadStoredCmykProfile(program.path());
    EXPECT_EQ(unnamed.message, "加载ICC色彩特性文件 '" + program.path() + "\\icc\\JapanColor2001Coated.icc' 出错。");
    EXPECT_EQ(unnamed.name, "CoatedFOGRA39.icc");
    EXPECT_FALSE(unnamed.bytes.empty());

    ASSERT_TRUE(copyFileTo(samplePath(kSrgb), program / "icc\\sRGB.icc"));
    EXPECT_TRUE(loadSrgbProfile(program.path(), bytes, message));
    EXPECT_EQ(bytes, readFileBytes(samplePath(kSrgb)));
}

TEST(ColourProfiles, CmykJpegWithTheLoadedDefaultProfileMatchesTheCommandLineTool)
{
    StoredProfileName keep;
    ScratchFolder program("program_cmyk");  // plain ASCII: the command line below uses it
    ASSERT_TRUE(CreateDirectoryA((program / "icc").c_str(), nullptr));
    ASSERT_TRUE(copyFileTo(samplePath(kSwop), program / "icc\\USWebCoatedSWOP.icc"));
    ASSERT_TRUE(copyFileTo(samplePath(kSrgb), program / "icc\\sRGB.icc"));
    writeProgramString("cmyk_default_icc", "USWebCoatedSWOP.icc");

    ProcessSettings s;
    s.bColorspaceTo = 1;
    s.fromColorspace = 0;  // CMYK
    s.toColorspace = 2;    // sRGB
    s.bUseSRGB_ICC = 1;
    ASSERT_TRUE(usesSrgbProfile(s));
    PipelineInputs inputs;
    inputs.settings = &s;
    std::string message;
    ASSERT_TRUE(loadSrgbProfile(program.path(), inputs.srgbProfile, message));
    CmykProfileLoad cmyk = loadStoredCmykProfile(program.path());
    ASSERT_TRUE(cmyk.message.empty());
    inputs.cmykProfile = cmyk.bytes;

    std::string source = samplePath("formats/jpeg/pillow_cmyk_noicc.jpg");
    PictureOutcome outcome = processPicture(inputs, source, program / "ours.jpg", 0, 0);
    ASSERT_EQ(outcome.result, PictureResult::Written) << outcome.message;
    ASSERT_TRUE(runTool(program.path(), "/usr/bin/convert-im6.q16 " + unixPath(source) + " -profile " +
                                            unixPath(samplePath(kSwop)) + " -profile " + unixPath(samplePath(kSrgb)) +
                                            " -colorspace sRGB " + unixPath(program.path()) + "/theirs.jpg"));
    MagickWand *ours = readPicture(program / "ours.jpg");
    MagickWand *theirs = readPicture(program / "theirs.jpg");
    ASSERT_TRUE(ours && theirs);
    EXPECT_EQ(MagickGetImageColorspace(ours), sRGBColorspace);
    EXPECT_LT(meanDifference(ours, theirs), 1.0);
    DestroyMagickWand(ours);
    DestroyMagickWand(theirs);
}

// The profiles shipped beside the program (build/icc): with nothing chosen the
// default loads without a message, and every shipped name is a CMYK profile.
TEST(ColourProfiles, ShippedProfilesLoad)
{
    StoredProfileName keep;
    StoredProfileName::remove();
    CmykProfileLoad fresh = loadStoredCmykProfile(programFolder());
    EXPECT_EQ(fresh.name, kDefaultCmykProfile);
    EXPECT_EQ(fresh.message + StoredProfileName::now(), "") << "a box, or a fallback stored";
    for (const char *name : {"USWebCoatedSWOP.icc", "CoatedFOGRA39.icc", "USWebUncoated.icc"}) {
        std::string bytes;
        EXPECT_EQ(readProfileFile(profilePath(programFolder(), name), "CMYK", bytes), ProfileRead::Loaded) << name;
    }
}
