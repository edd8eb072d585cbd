#include "gtest.h"

#include <windows.h>

#include <cstring>
#include <string>

#include "util/registry_store.h"

namespace {

const char *const kTestKey = "SOFTWARE\\Velmora\\unit_tests";

struct TestKey {
    TestKey() { RegDeleteKeyA(HKEY_CURRENT_USER, kTestKey); }
    ~TestKey() { RegDeleteKeyA(HKEY_CURRENT_USER, kTestKey); }
};

}  // namespace

TEST(RegistryStore, StringsRoundTripAsGbk)
{
    TestKey key;
    std::string path = "Z:\\相册\\输出";
    ASSERT_TRUE(writeRegString(HKEY_CURRENT_USER, kTestKey, "save_to_path", path.c_str(), DWORD(path.size() + 1)));
    char buffer[MAX_PATH];
    DWORD size = sizeof buffer;
    ASSERT_TRUE(readRegString(HKEY_CURRENT_USER, kTestKey, "save_to_path", buffer, &size));
    EXPECT_EQ(std::string(buffer), path);
    EXPECT_EQ(size, path.size() + 1);

    // Too tiny a buffer fails instead of handing back a cut path.
    char tiny[4];
    size = sizeof tiny;
    EXPECT_FALSE(readRegString(HKEY_CURRENT_USER, kTestKey, "save_to_path", tiny, &size));

    size = sizeof buffer;
    EXPECT_FALSE(readRegString(HKEY_CURRENT_USER, kTestKey, "no_such_value", buffer, &size));
    size = sizeof buffer;
    EXPECT_FALSE(readRegString(HKEY_CURRENT_USER, "SOFTWARE\\Velmora\\no_such_key", "x", buffer, &size));
}

TEST(RegistryStore, StringsWithoutTheirZeroAreTerminated)
{
    TestKey key;
    // Stored without the terminating zero (another program, or a short byte count).
    ASSERT_TRUE(writeRegString(HKEY_CURRENT_USER, kTestKey, "cmyk_default_icc", "abcdef", 3));
    char buffer[16];
    memset(buffer, 'x', sizeof buffer);
    DWORD size = sizeof buffer;
    ASSERT_TRUE(readRegString(HKEY_CURRENT_USER, kTestKey, "cmyk_default_icc", buffer, &size));
    EXPECT_STREQ(buffer, "abc");

    // A count beyond the text stops at its terminating zero.
    ASSERT_TRUE(writeRegString(HKEY_CURRENT_USER, kTestKey, "save_to_path", "xy", 200));
    size = sizeof buffer;
    ASSERT_TRUE(readRegString(HKEY_CURRENT_USER, kTestKey, "save_to_path", buffer, &size));
    EXPECT_EQ(size, 3u);
    EXPECT_STREQ(buffer, "xy");

    // Exactly as long as the buffer, no room for the zero: refused.
    char three[3];
    size = sizeof three;
    EXPECT_FALSE(readRegString(HKEY_CURRENT_USER, kTestKey, "cmyk_default_icc", three, &size));
}

TEST(RegistryStore, DwordsAndWrongTypes)
{
    TestKey key;
    ASSERT_TRUE(writeRegDword(HKEY_CURRENT_USER, kTestKey, "pic_save_mode", 2));
    DWORD value = 99;
    ASSERT_TRUE(readRegDword(HKEY_CURRENT_USER, kTestKey, "pic_save_mode", &value));
    EXPECT_EQ(value, 2u);
    ASSERT_TRUE(writeRegDword(HKEY_CURRENT_USER, kTestKey, "pic_save_mode", 0xFFFFFFFFu));
    ASSERT_TRUE(readRegDword(HKEY_CURRENT_USER, kTestKey, "pic_save_mode", &value));
    EXPECT_EQ(value, 0xFFFFFFFFu);

    // A string where a number is expected (and the other way round) is not read.
    ASSERT_TRUE(writeRegString(HKEY_CURRENT_USER, kTestKey, "is_record_save_to_path", "1", 2));
    value = 7;
    EXPECT_FALSE(readRegDword(HKEY_CURRENT_USER, kTestKey, "is_record_save_to_path", &value));
    EXPECT_EQ(value, 7u);
    char buffer[16];
    DWORD size = sizeof buffer;
    EXPECT_FALSE(readRegString(HKEY_CURRENT_USER, kTestKey, "pic_save_mode", buffer, &size));
    EXPECT_FALSE(readRegDword(HKEY_CURRENT_USER, kTestKey, "missing", &value));
}

TEST(RegistryStore, ProgramKeyConvenience)
{
    EXPECT_STREQ(kProgramRegistryKey, "SOFTWARE\\Velmora");
    const char *name = "unit_test_value";
    std::string longText(3000, 'L');
    ASSERT_TRUE(writeProgramString(name, longText));
    EXPECT_EQ(readProgramString(name, "fallback"), longText);  // longer than the first buffer
    ASSERT_TRUE(writeProgramString(name, "水印"));
    EXPECT_EQ(readProgramString(name), "水印");
    ASSERT_TRUE(writeProgramDword(name, 5));
    EXPECT_EQ(readProgramString(name, "fallback"), "fallback");
    EXPECT_EQ(readProgramDword(name, 1), 5u);
    EXPECT_EQ(readProgramDword("unit_test_missing", 42), 42u);

    HKEY opened;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kProgramRegistryKey, 0, KEY_SET_VALUE, &opened), ERROR_SUCCESS);
    RegDeleteValueA(opened, name);
    RegCloseKey(opened);
}
