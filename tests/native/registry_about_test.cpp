#include <gtest/gtest.h>

#include "about/about_text.h"
#include "settings/registry_value.h"

namespace {

TEST(About, VersionLine) {
    EXPECT_EQ("バージョン 1.43.0086", VersionLine(1, 43, 86));
    EXPECT_EQ("バージョン 2.05.0007", VersionLine(2, 5, 7));
    EXPECT_EQ("バージョン 1.123.1234", VersionLine(1, 123, 1234));
    EXPECT_EQ("バージョン 10.00.12345", VersionLine(10, 0, 12345));
    EXPECT_EQ("Tarnvik （LCDタイプ） のバージョン情報", AboutCaption("Tarnvik （LCDタイプ）"));
}

TEST(AutoRun, DataIsFolderBackslashAndNameWithoutExtension) {
    EXPECT_EQ("C:\\Tools\\Velkaro", AutoRunData("C:\\Tools", "Velkaro.exe"));
    EXPECT_EQ("C:\\Program Files\\LED Clock\\Velkaro", AutoRunData("C:\\Program Files\\LED Clock", "Velkaro.exe"));
    EXPECT_EQ("C:\\\\Velkaro", AutoRunData("C:\\", "Velkaro.exe"));  // a drive root keeps its own backslash too
    EXPECT_EQ("D:\\x\\clock.v2", AutoRunData("D:\\x", "clock.v2.exe"));
    EXPECT_EQ("D:\\x\\clock", AutoRunData("D:\\x", "clock"));
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

}  // namespace
