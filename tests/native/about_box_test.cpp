#include <gtest/gtest.h>

#include "about/about_box.h"

namespace {

TEST(About, VersionLine) {
    EXPECT_EQ("バージョン 1.43.0086", VersionLine(Language::Japanese, 1, 43, 86));
    EXPECT_EQ("バージョン 2.05.0007", VersionLine(Language::Japanese, 2, 5, 7));
    EXPECT_EQ("バージョン 1.123.1234", VersionLine(Language::Japanese, 1, 123, 1234));
    EXPECT_EQ("バージョン 10.00.12345", VersionLine(Language::Japanese, 10, 0, 12345));
    EXPECT_EQ("Tarnvik （LCDタイプ） のバージョン情報", AboutCaption(Language::Japanese, "Tarnvik （LCDタイプ）"));
    EXPECT_EQ("About Tarnvik (LCD type)", AboutCaption(Language::English, "Tarnvik (LCD type)"));
    EXPECT_EQ("Version 1.43.0086", VersionLine(Language::English, 1, 43, 86));
}

}  // namespace
