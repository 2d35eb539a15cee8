// What Windows reads from the executable itself: version information, manifest and icon.
#include "clock_fixture.h"

#include <shellapi.h>

#include <string_view>

namespace {

std::wstring VelkaroExe() { return DriverFolder() + L"\\Velkaro.exe"; }

std::wstring VersionString(const std::vector<BYTE>& block, const wchar_t* name) {
    wchar_t* value = nullptr;
    UINT length = 0;
    const std::wstring key = std::wstring(L"\\StringFileInfo\\041104B0\\") + name;
    if (!VerQueryValueW(block.data(), key.c_str(), reinterpret_cast<void**>(&value), &length) || !value) return L"";
    return value;
}

TEST(Resources, VersionInformation) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(VelkaroExe().c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(VelkaroExe().c_str(), 0, size, block.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(MAKELONG(43, 1), fixed->dwFileVersionMS);  // 1.43
    EXPECT_EQ(MAKELONG(86, 0), fixed->dwFileVersionLS);  // .0.86
    EXPECT_EQ(L"Tarnvik （LCDタイプ）", VersionString(block, L"ProductName"));
    EXPECT_EQ(L"Copyright (C) 2026 The Velkaro developers", VersionString(block, L"LegalCopyright"));
}

TEST(Resources, ManifestAsksForCommonControlsSixAsInvokerPerMonitorAwareFromVistaOn) {
    HMODULE module = LoadLibraryExW(VelkaroExe().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_TRUE(module);
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));  // RT_MANIFEST
    ASSERT_TRUE(found);
    const char* text = static_cast<const char*>(LockResource(LoadResource(module, found)));
    const std::string_view manifest(text, SizeofResource(module, found));
    EXPECT_NE(std::string_view::npos, manifest.find("Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""));
    EXPECT_NE(std::string_view::npos, manifest.find("level=\"asInvoker\""));
    EXPECT_NE(std::string_view::npos, manifest.find(">true/pm</dpiAware>"));
    EXPECT_NE(std::string_view::npos, manifest.find(">PerMonitorV2, PerMonitor</dpiAwareness>"));
    for (const char* os : {"e2011457-1546-43c5-a5fe-008deee3d3f0", "35138b9a-5d96-4fbd-8e2d-a2440225f93a",
                           "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38", "1f676c76-80e1-4239-95bb-83d0f6d0da78",
                           "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"})  // Vista, 7, 8, 8.1, 10 and 11
        EXPECT_NE(std::string_view::npos, manifest.find(std::string("<supportedOS Id=\"{") + os + "}\"/>")) << os;
    FreeLibrary(module);
}

TEST(Resources, IconIsThirtyTwoPixelsSquare) {
    HICON own = nullptr;
    ASSERT_EQ(1u, ExtractIconExW(VelkaroExe().c_str(), 0, &own, nullptr, 1));
    ASSERT_TRUE(own);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(own, &info));
    BITMAP colour{};
    GetObjectW(info.hbmColor, sizeof colour, &colour);
    EXPECT_EQ(32, colour.bmWidth);
    EXPECT_EQ(32, colour.bmHeight);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(own);
}

}  // namespace
