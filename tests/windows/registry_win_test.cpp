// The registry layer on a scratch key under HKEY_CURRENT_USER.
#include <gtest/gtest.h>
#include <windows.h>

#include "settings/registry_win.h"
#include "settings/autorun.h"
#include "settings/autorun_win.h"

namespace {

constexpr const char* kScratch = "Software\\VelkaroTests\\Scratch";

class Registry : public testing::Test {
protected:
    void SetUp() override { RegDeleteTreeA(HKEY_CURRENT_USER, kScratch); }
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, kScratch); }
    static std::vector<uint8_t> Raw(const char* name, DWORD* type) {
        BYTE data[256];
        DWORD size = sizeof data;
        if (RegGetValueA(HKEY_CURRENT_USER, kScratch, name, RRF_RT_ANY | RRF_NOEXPAND, type, data, &size) != ERROR_SUCCESS)
            return {};
        return std::vector<uint8_t>(data, data + size);
    }
};

TEST_F(Registry, RoundTripsAndStoredForms) {
    ASSERT_TRUE(WriteRegistryValue(HKEY_CURRENT_USER, kScratch, "Text", std::string("hello")));
    DWORD type = 0;
    EXPECT_EQ((std::vector<uint8_t>{'h', 'e', 'l', 'l', 'o', 0}), Raw("Text", &type));  // six bytes
    EXPECT_EQ(DWORD(REG_SZ), type);
    EXPECT_EQ(RegistryValue(std::string("hello")), ReadRegistryValue(HKEY_CURRENT_USER, kScratch, "Text", std::string("x")));

    ASSERT_TRUE(WriteRegistryValue(HKEY_CURRENT_USER, kScratch, "Flag", true));
    EXPECT_EQ((std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xFF}), Raw("Flag", &type));
    EXPECT_EQ(DWORD(REG_DWORD), type);
    EXPECT_EQ(RegistryValue(uint32_t(4294967295u)), ReadRegistryValue(HKEY_CURRENT_USER, kScratch, "Flag", std::string()));
    ASSERT_TRUE(WriteRegistryValue(HKEY_CURRENT_USER, kScratch, "Small", int16_t(-2)));
    EXPECT_EQ(RegistryValue(uint32_t(0xFFFFFFFE)), ReadRegistryValue(HKEY_CURRENT_USER, kScratch, "Small", std::string()));

    const std::vector<uint8_t> bytes{1, 0, 2, 255};
    ASSERT_TRUE(WriteRegistryValue(HKEY_CURRENT_USER, kScratch, "Bytes", bytes));
    EXPECT_EQ(bytes, Raw("Bytes", &type));
    EXPECT_EQ(DWORD(REG_BINARY), type);
    EXPECT_EQ(RegistryValue(bytes), ReadRegistryValue(HKEY_CURRENT_USER, kScratch, "Bytes", std::string()));
}

TEST_F(Registry, OtherTypesAndMissingValuesGiveTheDefault) {
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, kScratch, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    const char expand[] = "%TEMP%\\x";
    RegSetValueExA(key, "Expand", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(expand), sizeof expand);
    const char nulFirst[] = "\0later";
    RegSetValueExA(key, "NulFirst", 0, REG_SZ, reinterpret_cast<const BYTE*>(nulFirst), sizeof nulFirst);
    RegCloseKey(key);
    const RegistryValue fallback = std::string("default");
    EXPECT_EQ(fallback, ReadRegistryValue(HKEY_CURRENT_USER, kScratch, "Expand", fallback));
    EXPECT_EQ(fallback, ReadRegistryValue(HKEY_CURRENT_USER, kScratch, "Missing", fallback));
    EXPECT_EQ(fallback, ReadRegistryValue(HKEY_CURRENT_USER, "Software\\VelkaroTests\\NoSuchKey", "X", fallback));
    EXPECT_EQ(RegistryValue(std::string()), ReadRegistryValue(HKEY_CURRENT_USER, kScratch, "NulFirst", fallback));
}

TEST_F(Registry, DeletingAMissingValueIsFalseAndHarmless) {
    EXPECT_FALSE(DeleteRegistryValue(HKEY_CURRENT_USER, kScratch, "Missing"));  // no key
    ASSERT_TRUE(WriteRegistryValue(HKEY_CURRENT_USER, kScratch, "Keep", std::string("k")));
    EXPECT_FALSE(DeleteRegistryValue(HKEY_CURRENT_USER, kScratch, "Missing"));
    EXPECT_EQ(RegistryValue(std::string("k")), ReadRegistryValue(HKEY_CURRENT_USER, kScratch, "Keep", std::string()));
    EXPECT_TRUE(DeleteRegistryValue(HKEY_CURRENT_USER, kScratch, "Keep"));
}

// The start-up entry of the user running the tests stays as it is: for the length of each test
// HKEY_CURRENT_USER is a scratch key of the test's own.
class AutoRunEntry : public testing::Test {
protected:
    static constexpr const char* kUser = "Software\\VelkaroTests\\User";
    void SetUp() override {
        RegDeleteTreeA(HKEY_CURRENT_USER, kUser);
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, kUser, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &user_, nullptr));
        ASSERT_EQ(ERROR_SUCCESS, RegOverridePredefKey(HKEY_CURRENT_USER, user_));
    }
    void TearDown() override {
        RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        if (user_) RegCloseKey(user_);
        RegDeleteTreeA(HKEY_CURRENT_USER, kUser);
    }
    HKEY user_ = nullptr;
};

TEST_F(AutoRunEntry, RegisterQueryUnregister) {
    RegDeleteKeyValueA(HKEY_CURRENT_USER, kRunKeyPath, kRunValueName);
    EXPECT_FALSE(QueryAutoRun());
    RegisterAutoRun();
    RegisterAutoRun();  // twice: one entry
    EXPECT_TRUE(QueryAutoRun());
    char data[MAX_PATH] = "";
    DWORD size = sizeof data, type = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegGetValueA(HKEY_CURRENT_USER, kRunKeyPath, kRunValueName, RRF_RT_ANY, &type, data, &size));
    EXPECT_EQ(DWORD(REG_SZ), type);
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string expected(exe);
    expected.resize(expected.rfind('.'));  // the executable's path without ".exe"
    EXPECT_EQ(expected, data);
    UnregisterAutoRun();
    UnregisterAutoRun();  // nothing there: nothing happens
    EXPECT_FALSE(QueryAutoRun());
    // a DWORD under the name counts as registered, an expandable text does not
    WriteRegistryValue(HKEY_CURRENT_USER, kRunKeyPath, kRunValueName, int32_t(0));
    EXPECT_TRUE(QueryAutoRun());
    const char expand[] = "C:\\x";
    RegSetKeyValueA(HKEY_CURRENT_USER, kRunKeyPath, kRunValueName, REG_EXPAND_SZ, expand, sizeof expand);
    EXPECT_FALSE(QueryAutoRun());
    UnregisterAutoRun();
}

// Task Manager's switch: the entry stays, Windows does not start it, and the program says so.
TEST_F(AutoRunEntry, SwitchedOffInTaskManagerCountsAsOffUntilRegisteredAgain) {
    const std::vector<uint8_t> off{3, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8}, on{2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    RegisterAutoRun();
    ASSERT_TRUE(WriteRegistryValue(HKEY_CURRENT_USER, kStartupApprovedKeyPath, kRunValueName, on));
    EXPECT_TRUE(QueryAutoRun());
    ASSERT_TRUE(WriteRegistryValue(HKEY_CURRENT_USER, kStartupApprovedKeyPath, kRunValueName, off));
    EXPECT_FALSE(QueryAutoRun());
    RegisterAutoRun();  // the box ticked again and OK: the mark goes
    EXPECT_TRUE(QueryAutoRun());
    EXPECT_FALSE(DeleteRegistryValue(HKEY_CURRENT_USER, kStartupApprovedKeyPath, kRunValueName));
    ASSERT_TRUE(WriteRegistryValue(HKEY_CURRENT_USER, kStartupApprovedKeyPath, kRunValueName, off));
    UnregisterAutoRun();  // the box clear and OK: both go
    EXPECT_FALSE(DeleteRegistryValue(HKEY_CURRENT_USER, kRunKeyPath, kRunValueName));
    EXPECT_FALSE(DeleteRegistryValue(HKEY_CURRENT_USER, kStartupApprovedKeyPath, kRunValueName));
}

}  // namespace
