#include <gtest/gtest.h>

#include <map>
#include <string>

#include "settings/placement.h"
#include "settings/settings_file.h"

namespace {

// A settings file as a map of key to stored value, read as the program reads its file.
SettingsRecord Load(const std::map<std::string, std::string>& file) {
    return ParseSettings([&](std::string_view key, std::string_view defaultText) {
        auto it = file.find(std::string(key));
        return IniValueOrDefault(it == file.end() ? "" : it->second, defaultText);
    });
}

TEST(Settings, NoFileGivesTheDefaults) {
    SettingsRecord r = Load({});
    EXPECT_EQ(1, r.WindowSize);
    EXPECT_TRUE(r.TopMost);
    EXPECT_FALSE(r.Blink);
    EXPECT_EQ(750, r.BlinkDelay);
    EXPECT_TRUE(r.FixWindowPosition);
    EXPECT_FALSE(r.EXITbyDblClick);
    EXPECT_FALSE(r.UseNTP);
    EXPECT_FALSE(r.UseNTP2);
    EXPECT_EQ(kDefaultNtpServer, r.NTPServer);
    EXPECT_FALSE(r.ClearRecent);
    EXPECT_EQ(5000, r.ResumeDelay);
    EXPECT_FLOAT_EQ(0.7f, r.XPosR);
    EXPECT_FLOAT_EQ(0.3f, r.YPosR);
}

TEST(Settings, IntegerFieldsRoundHalfToEvenThenClampOrFallBack) {
    struct Case {
        const char* stored;
        int windowSize, blinkDelay, resumeDelay;
    } cases[] = {
        {"0", 1, 750, 5000},          {"7", 2, 7, 7},
        {"1.5", 2, 2, 2},             {"2.5", 2, 2, 2},
        {"0.5", 1, 750, 5000},        {"letters", 1, 750, 5000},
        {"1000", 2, 1000, 1000},      {"1001", 2, 750, 1001},
        {"-5", 1, 750, 5000},         {"500abc", 2, 500, 500},
        {"60000", 2, 750, 60000},     {"60001", 2, 750, 5000},
        {"999.5", 2, 1000, 1000},     {"1000.5", 2, 1000, 1000},
        {"1000.51", 2, 750, 1001},    {"  5 0 0", 2, 500, 500},
        {"\t1\n2", 2, 12, 12},        {"1e3", 2, 1000, 1000},
        {"&H3E8", 2, 1000, 1000},     {"&o17", 2, 15, 15},
        {"&HFFFFFFFFFFFF", 2, 750, 5000}, {"1e400", 2, 750, 5000},
        {"99999999999999999999", 2, 750, 5000}, {"-1e400", 1, 750, 5000},
        {"", 1, 750, 5000},           {"+2", 2, 2, 2},
    };
    for (const Case& c : cases) {
        SettingsRecord r = Load({{"WindowSize", c.stored}, {"BlinkDelay", c.stored}, {"ResumeDelay", c.stored}});
        EXPECT_EQ(c.windowSize, r.WindowSize) << '"' << c.stored << '"';
        EXPECT_EQ(c.blinkDelay, r.BlinkDelay) << '"' << c.stored << '"';
        EXPECT_EQ(c.resumeDelay, r.ResumeDelay) << '"' << c.stored << '"';
    }
}

TEST(Settings, TheIntervalIsHoursUpToAWeekAndAnythingElseIsOff) {
    const std::pair<const char*, int> cases[] = {{"", 0},  {"letters", 0}, {"-5", 0},    {"0.5", 0},   {"2.5", 2},
                                                 {"7", 7}, {"168", 168},   {"169", 168}, {"1e400", 168}};
    for (const auto& [stored, hours] : cases) EXPECT_EQ(hours, Load({{"NTPInterval", stored}}).NTPInterval) << stored;
}

TEST(Settings, TheLanguageIsJaEnOrAutomaticAndWrittenOnlyOnceChosen) {
    const std::pair<const char*, const char*> cases[] = {{"", ""}, {"ja", "ja"}, {"EN", "en"}, {"jp", ""}, {"en-US", ""}};
    for (const auto& [stored, read] : cases) EXPECT_EQ(read, Load({{"Language", stored}}).Language) << stored;
}

// The keys after the thirteen: each written only once it is not its default or the file has it.
TEST(Settings, TheLaterKeysAreWrittenOnlyOnceChosenOrAlreadyThere) {
    SettingsRecord r = Load({});
    for (const OptionalEntry& e : OptionalEntries(r)) {
        EXPECT_FALSE(e.Written(false)) << e.key;
        EXPECT_TRUE(e.Written(true)) << e.key;  // back to the default: the key the file has is kept up to date
    }
    r.NTPInterval = 3, r.Language = "en", r.ShowSeconds = true, r.Opacity = 70, r.TimeSignal = true;
    std::vector<std::string> written;
    for (const OptionalEntry& e : OptionalEntries(r))
        if (e.Written(false)) written.push_back(std::string(e.key) + '=' + e.value);
    EXPECT_EQ((std::vector<std::string>{"NTPInterval=3", "Language=en", "ShowSeconds=Yes", "Opacity=70",
                                        "TimeSignal=Yes"}), written);
    const std::pair<const char*, int> opacities[] = {{"", 100}, {"letters", 100}, {"0", 20}, {"19", 20}, {"20", 20},
                                                     {"55", 55}, {"100", 100}, {"250", 100}, {"-3", 20}};
    for (const auto& [stored, percent] : opacities) EXPECT_EQ(percent, Load({{"Opacity", stored}}).Opacity) << stored;
    EXPECT_EQ(255, AlphaOfOpacity(100));
    EXPECT_EQ(77, AlphaOfOpacity(30));
    EXPECT_EQ(51, AlphaOfOpacity(20));
}

TEST(Settings, NumbersAreReadLikeTheFileAlwaysWas) {
    struct Case {
        const char* text;
        double value;
    } cases[] = {
        {"", 0},         {"abc", 0},     {"12abc", 12},   {"-0.25", -0.25},  {".5", 0.5},
        {"-.5", -0.5},   {"1.5e2x", 150}, {"1e", 1},       {"2E-1", 0.2},    {"3d2", 300},
        {"&H", 0},       {"&HfF", 255},  {"&H1G", 1},     {"&O777", 511},   {"&O8", 0},
        {"&X1", 0},      {"- 7", -7},    {"1,5", 1},      {"0.7000000", 0.7}, {"--1", 0},
    };
    for (const Case& c : cases) EXPECT_DOUBLE_EQ(c.value, ReadNumber(c.text)) << '"' << c.text << '"';
}

TEST(Settings, OnlyYesAndNoCountInAnyCase) {
    SettingsRecord r = Load({{"TopMost", "nO"}, {"Blink", "YES"}, {"FixWindowPosition", "0"}, {"EXITbyDblClick", "yEs"},
                             {"UseNTP", "true"}, {"UseNTP2", "Yes"}, {"ClearRecent", " yes"}});
    EXPECT_FALSE(r.TopMost);
    EXPECT_TRUE(r.Blink);
    EXPECT_TRUE(r.FixWindowPosition);  // 0 is not a word: the default
    EXPECT_TRUE(r.EXITbyDblClick);
    EXPECT_FALSE(r.UseNTP);
    EXPECT_TRUE(r.UseNTP2);
    EXPECT_FALSE(r.ClearRecent);  // the platform reader trims blanks; a raw one is not a word
    EXPECT_TRUE(Load({{"TopMost", "0"}}).TopMost);
}

TEST(Settings, FractionsAndServer) {
    EXPECT_FLOAT_EQ(0.7f, Load({{"XPosR", ""}}).XPosR);
    EXPECT_FLOAT_EQ(0.0f, Load({{"XPosR", "letters"}}).XPosR);
    EXPECT_FLOAT_EQ(1.5f, Load({{"XPosR", "1.5"}}).XPosR);
    EXPECT_FLOAT_EQ(-0.125f, Load({{"YPosR", "-0.125"}}).YPosR);
    EXPECT_FLOAT_EQ(0.3f, Load({{"YPosR", "1e300"}}).YPosR);  // beyond single precision
    EXPECT_EQ("time.example.org", Load({{"NTPServer", "time.example.org"}}).NTPServer);
    EXPECT_EQ(kDefaultNtpServer, Load({{"NTPServer", ""}}).NTPServer);
}

TEST(Settings, SaveWritesThirteenKeysInOrderWithFractionsOfSevenDecimals) {
    SettingsRecord r = Load({{"Blink", "Yes"}, {"BlinkDelay", "1000"}, {"ResumeDelay", "100"}, {"WindowSize", "2"}});
    r.NTPServer = "";
    SettingsEntries e = SettingsToEntries(r, PositionFraction(320, 1280), PositionFraction(-30, 1024));
    const char* expected[13][2] = {
        {"XPosR", "0.2500000"}, {"YPosR", "-0.0292969"}, {"ResumeDelay", "100"}, {"WindowSize", "2"},
        {"TopMost", "Yes"},     {"Blink", "Yes"},        {"BlinkDelay", "1000"}, {"FixWindowPosition", "Yes"},
        {"EXITbyDblClick", "No"}, {"UseNTP", "No"},      {"UseNTP2", "No"},      {"NTPServer", ""},
        {"ClearRecent", "No"},
    };
    for (int i = 0; i < 13; ++i) {
        EXPECT_STREQ(expected[i][0], e[i].first);
        EXPECT_EQ(expected[i][1], e[i].second) << e[i].first;
    }
    EXPECT_EQ("0.7000000", FormatFraction(0.7f));
    EXPECT_EQ("1.5000000", FormatFraction(1.5f));
    EXPECT_EQ("-0.5000000", FormatFraction(-0.5f));
    EXPECT_EQ("0.0000000", FormatFraction(0.0f));
}

TEST(Settings, PathJoinsWithOneBackslash) {
    EXPECT_EQ("C:\\Velkaro.ini", JoinPath("C:\\", "Velkaro.ini"));
    EXPECT_EQ("C:\\Tools\\Clock\\Velkaro.ini", JoinPath("C:\\Tools\\Clock", "Velkaro.ini"));
}

}  // namespace
