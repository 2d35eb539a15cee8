#include <gtest/gtest.h>
#include <windows.h>

#include <string>

int main(int argc, char** argv) {
    // Used as the handler of https: and mailto: links by a test: records the target.
    if (argc == 3 && std::string(argv[1]) == "--record-link") {
        wchar_t path[MAX_PATH];
        GetModuleFileNameW(nullptr, path, MAX_PATH);
        std::wstring record(path);
        record = record.substr(0, record.rfind(L'\\')) + L"\\recorded-links.txt";
        HANDLE f = CreateFileW(record.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
        DWORD n;
        const std::string line = std::string(argv[2]) + "\n";
        WriteFile(f, line.data(), DWORD(line.size()), &n, nullptr);
        CloseHandle(f);
        return 0;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
