// Text at the Win32 boundary: UTF-8 inside, UTF-16 for the W functions, ANSI for the A ones.
#pragma once
#include <string>
#include <string_view>

std::wstring Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::wstring_view text);
// The system ANSI code page, as the private-profile and registry A functions use it.
std::string Utf8ToAnsi(std::string_view text);
std::string AnsiToUtf8(std::string_view text);
// The system's text for an error number, without its line end; empty where the system has none.
std::string SystemMessage(unsigned long error);
