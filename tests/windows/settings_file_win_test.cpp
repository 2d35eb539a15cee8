// The settings store against the real private-profile functions, in a scratch folder.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <optional>
#include <sstream>

#include "common/text_encoding.h"
#include "settings/settings_file_win.h"

namespace {

class SettingsStore : public testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        folder = std::string(temp) + "velkaro-store-" + testing::UnitTest::GetInstance()->current_test_info()->name();
        CreateDirectoryA(folder.c_str(), nullptr);
        path = SettingsFilePathIn(folder);
        DeleteFileA(path.c_str());
    }
    void TearDown() override {
        DeleteFileA(path.c_str());
        RemoveDirectoryA(folder.c_str());
    }
    std::string Text() const {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    void Write(const std::string& text) const { std::ofstream(path, std::ios::binary) << text; }
    SettingsRecord Load() const {
        return ParseSettings([this](std::string_view key, std::string_view def) { return ReadIniValueFrom(path, key, def); });
    }

    std::string folder, path;
};

TEST_F(SettingsStore, FirstSaveCreatesTheSectionWithThirteenKeysInOrder) {
    SettingsRecord r = Load();  // no file: the defaults
    SaveSettingsTo(path, r, 320, 512, 1280, 1024);
    EXPECT_EQ("[Velkaro 1.20]\r\n"
              "XPosR=0.2500000\r\nYPosR=0.5000000\r\nResumeDelay=5000\r\nWindowSize=1\r\nTopMost=Yes\r\n"
              "Blink=No\r\nBlinkDelay=750\r\nFixWindowPosition=Yes\r\nEXITbyDblClick=No\r\nUseNTP=No\r\n"
              "UseNTP2=No\r\nNTPServer=" + std::string(kDefaultNtpServer) + "\r\nClearRecent=No\r\n",
              Text());
}

// The periodic run's key comes after the thirteen once it is on, and stays once it is there.
TEST_F(SettingsStore, TheIntervalIsWrittenOnlyWhenOnOrAlreadyThere) {
    SettingsRecord r = Load();
    SaveSettingsTo(path, r, 0, 0, 1280, 1024);
    EXPECT_EQ(std::string::npos, Text().find("NTPInterval"));
    r.NTPInterval = 6;
    SaveSettingsTo(path, r, 0, 0, 1280, 1024);
    EXPECT_TRUE(Text().ends_with("ClearRecent=No\r\nNTPInterval=6\r\n")) << Text();
    Write("[Velkaro 1.20]\r\nNTPInterval=\r\n");  // there, if empty: written though off
    r.NTPInterval = 0;
    SaveSettingsTo(path, r, 0, 0, 1280, 1024);
    EXPECT_EQ(0u, Text().find("[Velkaro 1.20]\r\nNTPInterval=0\r\n")) << Text();
}

TEST_F(SettingsStore, ExistingFileKeepsItsOrderAndForeignLines) {
    Write("; kept\r\n[Other]\r\nBlink=Maybe\r\n[Velkaro 1.20]\r\nblink=YES\r\nMine=1\r\nWINDOWSIZE=2\r\n[Tail]\r\nX=1\r\n");
    SettingsRecord r = Load();
    EXPECT_TRUE(r.Blink);  // key names match without regard to case
    EXPECT_EQ(2, r.WindowSize);
    r.Blink = false;
    SaveSettingsTo(path, r, -64, 0, 1280, 1024);
    const std::string text = Text();
    EXPECT_EQ(0u, text.find("; kept\r\n[Other]\r\nBlink=Maybe\r\n[Velkaro 1.20]\r\nblink=No\r\nMine=1\r\nWINDOWSIZE=2\r\n"))
        << text;
    EXPECT_NE(std::string::npos, text.find("XPosR=-0.0500000\r\n")) << text;
    EXPECT_NE(std::string::npos, text.find("[Tail]\r\nX=1")) << text;
    for (const char* key : {"XPosR=", "YPosR=", "ResumeDelay=", "TopMost=", "BlinkDelay=", "FixWindowPosition=",
                            "EXITbyDblClick=", "UseNTP=", "UseNTP2=", "NTPServer=", "ClearRecent="})
        EXPECT_NE(std::string::npos, text.find(std::string("\r\n") + key)) << key;
    EXPECT_EQ(text.find("[Tail]"), text.rfind("[Tail]"));
}

TEST_F(SettingsStore, AWholeFileIsReadKeyByKeyFromTheProgramsSection) {
    const SettingsRecord defaults = Load();  // no file
    Write("[Other]\r\nWindowSize=2\r\nBlinkDelay=10\r\n"
          "[velkaro 1.20]\r\n"
          "  windowsize = 2 \r\n"
          "BlinkDelay=1e9\r\n"            // beyond the range: the default
          "ResumeDelay = \"250\"\r\n"     // one pair of quotes is taken off
          "NTPServer=  \r\n"              // empty: the first server of the list
          "TopMost=no\r\n"
          "UseNTP\r\n"                    // a key without a value
          "XPosR=0.25\r\nXPosR=0.75\r\n"  // the first of two counts
          "[Other]\r\nYPosR=0.9\r\n");
    const SettingsRecord r = Load();
    EXPECT_EQ(2, r.WindowSize);
    EXPECT_EQ(750, r.BlinkDelay);
    EXPECT_EQ(250, r.ResumeDelay);
    EXPECT_EQ(kDefaultNtpServer, r.NTPServer);
    EXPECT_FALSE(r.TopMost);
    EXPECT_FALSE(r.UseNTP);
    EXPECT_FLOAT_EQ(0.25f, r.XPosR);
    EXPECT_FLOAT_EQ(0.3f, r.YPosR);
    EXPECT_EQ(defaults.Blink, r.Blink);
}

TEST_F(SettingsStore, LongValuesArriveCutTo99BytesAndEmptyValuesTakeTheDefault) {
    const std::string server(150, 'n');
    Write("[Velkaro 1.20]\r\nNTPServer=" + server + "\r\nXPosR=\r\nYPosR=  \r\nWindowSize=  2  \r\n");
    EXPECT_EQ(server.substr(0, 99), ReadIniValueFrom(path, "NTPServer", ""));
    EXPECT_EQ("0.7", ReadIniValueFrom(path, "XPosR", "0.7"));
    EXPECT_EQ("fallback", ReadIniValueFrom(path, "Missing", "fallback"));
    SettingsRecord r = Load();
    EXPECT_EQ(server.substr(0, 99), r.NTPServer);
    EXPECT_FLOAT_EQ(0.7f, r.XPosR);
    EXPECT_FLOAT_EQ(0.3f, r.YPosR);
    EXPECT_EQ(2, r.WindowSize);
}

TEST_F(SettingsStore, ServerNameRoundTripsThroughTheAnsiFile) {
    // A name the system's ANSI code page can spell: Japanese under code page 932.
    const std::string name = GetACP() == 932 ? "時刻.example.jp" : "zeitmaß.example.de";
    SettingsRecord r = Load();
    r.NTPServer = name;
    SaveSettingsTo(path, r, 0, 0, 1280, 1024);
    EXPECT_EQ(name, Load().NTPServer);
    const std::string ansi = Utf8ToAnsi(name);
    EXPECT_EQ(name.size() - (GetACP() == 932 ? 2 : 1), ansi.size());  // one byte less per character
    EXPECT_NE(std::string::npos, Text().find("NTPServer=" + ansi + "\r\n"));
}

TEST_F(SettingsStore, NumbersReadTheSameUnderWindows) {
    Write("[Velkaro 1.20]\r\nBlinkDelay=2.5e2xyz\r\nResumeDelay=&H3E8\r\nXPosR=-1.25\r\nYPosR=abc\r\nWindowSize=1.5\r\n");
    SettingsRecord r = Load();
    EXPECT_EQ(250, r.BlinkDelay);
    EXPECT_EQ(1000, r.ResumeDelay);
    EXPECT_FLOAT_EQ(-1.25f, r.XPosR);
    EXPECT_FLOAT_EQ(0.0f, r.YPosR);
    EXPECT_EQ(2, r.WindowSize);
}

// A settings file at the root of drive C: belongs to a copy of the program kept there: it is
// put back as it was, or removed if there was none.
class KeptFile {
public:
    explicit KeptFile(std::string path) : path_(std::move(path)) {
        std::ifstream in(path_, std::ios::binary);
        if (in) {
            std::stringstream s;
            s << in.rdbuf();
            text_ = s.str();
        }
    }
    ~KeptFile() {
        if (text_) std::ofstream(path_, std::ios::binary | std::ios::trunc) << *text_;
        else DeleteFileA(path_.c_str());
    }

private:
    std::string path_;
    std::optional<std::string> text_;
};

TEST(SettingsPath, DriveRootHasOneBackslashAndTheFileLiesThere) {
    const std::string path = SettingsFilePathIn("C:\\");
    EXPECT_EQ("C:\\Velkaro.ini", path);
    const KeptFile kept(path);
    DeleteFileA(path.c_str());
    WriteIniValueTo(path, "Blink", "Yes");
    EXPECT_EQ("Yes", ReadIniValueFrom(path, "Blink", ""));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA("C:\\Velkaro.ini"));
    EXPECT_EQ("C:\\Tools\\Velkaro.ini", SettingsFilePathIn("C:\\Tools"));
}

}  // namespace
