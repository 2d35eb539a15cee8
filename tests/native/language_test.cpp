#include <gtest/gtest.h>

#include <set>
#include <string>

#include "common/language.h"

namespace {

std::multiset<char> Placeholders(std::string_view text) {
    std::multiset<char> found;
    for (size_t at = text.find('%'); at != std::string_view::npos && at + 1 < text.size(); at = text.find('%', at + 1))
        found.insert(text[at + 1]);
    return found;
}

TEST(Language, EveryTextIsInBothLanguagesWithTheSameArguments) {
    for (int i = 0; i < int(Text::Count); ++i) {
        const std::string_view ja = TableText(Language::Japanese, Text(i)), en = TableText(Language::English, Text(i));
        EXPECT_FALSE(ja.empty() || en.empty()) << "text " << i;
        EXPECT_EQ(Placeholders(ja), Placeholders(en)) << ja << " / " << en;
        // an access key on both sides or on neither
        EXPECT_EQ(ja.find('&') != std::string_view::npos, en.find('&') != std::string_view::npos) << ja << " / " << en;
    }
    EXPECT_EQ("NTPサーバー 'b%2' の応答がありません。", Words(Language::Japanese, Text::NoAnswer, {"b%2"}));
    EXPECT_EQ("Network error 10065: no route", Words(Language::English, Text::SocketError, {"10065", "no route"}));
}

TEST(Language, TheSettingOrWindowsChooses) {
    constexpr uint16_t kJapaneseUi = 0x0411, kEnglishUi = 0x0409, kGermanUi = 0x0407;
    const struct {
        const char* setting;
        uint16_t ui;
        Language chosen;
    } cases[] = {
        {"", kJapaneseUi, Language::Japanese}, {"", kGermanUi, Language::English},   {"EN", kJapaneseUi, Language::English},
        {"ja", kEnglishUi, Language::Japanese}, {"jp", kEnglishUi, Language::English}, {" ja", kJapaneseUi, Language::Japanese},
        {"en-US", kJapaneseUi, Language::Japanese},
    };
    for (const auto& c : cases) EXPECT_EQ(c.chosen, ChooseLanguage(c.setting, c.ui)) << c.setting << " " << c.ui;
    EXPECT_EQ("en", SettingOfLanguage(LanguageOfSetting("En")));
    EXPECT_EQ("", SettingOfLanguage(LanguageOfSetting("fr")));
}

}  // namespace
