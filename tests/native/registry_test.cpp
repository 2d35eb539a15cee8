#include <gtest/gtest.h>

#include "settings/registry.h"
#include "settings/autorun.h"

namespace {

TEST(AutoRun, DataIsFolderBackslashAndNameWithoutExtensionQuotedWhenItHasABlank) {
    struct Case {
        const char *folder, *file, *data;
    } cases[] = {
        {"C:\\Tools", "Velkaro.exe", "C:\\Tools\\Velkaro"},
        {"C:\\", "Velkaro.exe", "C:\\\\Velkaro"},  // a drive root keeps its own backslash too
        {"D:\\x", "clock.v2.exe", "D:\\x\\clock.v2"},
        {"D:\\x", "clock", "D:\\x\\clock"},
        // Windows would try "C:\Program.exe" first for an unquoted path with a blank
        {"C:\\Program Files\\LED Clock", "Velkaro.exe", "\"C:\\Program Files\\LED Clock\\Velkaro\""},
        {"C:\\Tools", "LED Clock.exe", "\"C:\\Tools\\LED Clock\""},
        {"C:\\時計 ", "Velkaro.exe", "\"C:\\時計 \\Velkaro\""},
        {"C:\\Tab\there", "Velkaro.exe", "C:\\Tab\there\\Velkaro"},  // only the blank asks for quotes
    };
    for (const Case& c : cases) EXPECT_EQ(c.data, AutoRunData(c.folder, c.file)) << c.folder << " + " << c.file;
}

TEST(Registry, TrimAtNulAndValueTexts) {
    EXPECT_EQ("abc", TrimAtNul("abc"));
    EXPECT_EQ("", TrimAtNul(std::string("\0abc", 4)));
    EXPECT_EQ("ab", TrimAtNul(std::string("ab\0c\0", 5)));
    EXPECT_EQ("", TrimAtNul(""));
    EXPECT_EQ("4294967295", RegistryValueText(RegistryValue(uint32_t(0xFFFFFFFF))));
    EXPECT_EQ("-5", RegistryValueText(RegistryValue(int16_t(-5))));
    EXPECT_EQ("C:\\x", RegistryValueText(RegistryValue(std::vector<uint8_t>{'C', ':', '\\', 'x'})));
    EXPECT_EQ(0xFFFFFFFFu, RegistryDword(RegistryValue(true)));
    EXPECT_EQ(0u, RegistryDword(RegistryValue(false)));
    EXPECT_EQ(0xFFFFFFFEu, RegistryDword(RegistryValue(int16_t(-2))));
    EXPECT_EQ(70000u, RegistryDword(RegistryValue(int32_t(70000))));
}

TEST(AutoRun, TaskManagerSwitchesTheEntryOffWithAnOddFirstByteOfTwelve) {
    const std::pair<std::vector<uint8_t>, bool> cases[] = {
        {{3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, true},     {{7, 0, 0, 0, 0x10, 0x20, 0, 0, 0, 0, 0, 0}, true},
        {{2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, false},    {{6, 0, 0, 0, 0x10, 0x20, 0, 0, 0, 0, 0, 0}, false},
        {{3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, false},       {{3}, false},  // not the 12 bytes Windows writes
        {{}, false},
    };
    for (const auto& [data, off] : cases) EXPECT_EQ(off, SwitchedOffAtStartup(data)) << int(data.empty() ? -1 : data[0]);
}

}  // namespace
