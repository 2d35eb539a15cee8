#include "timesync/sync_command.h"

#include <algorithm>

namespace {

bool IsAsciiAlnum(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    if (arguments.empty() || !EqualsIgnoringAsciiCase(arguments[0], "/sync")) return {};
    if (arguments.size() != 2 || !IsSyncServer(arguments[1])) return {CommandLine::Kind::Invalid, {}};
    return {CommandLine::Kind::Sync, arguments[1]};
}

bool IsSyncServer(std::string_view server) {
    return !server.empty() && server.size() <= 253 && std::ranges::all_of(server, [](char c) {
        return IsAsciiAlnum(c) || std::string_view("-.:[]%").find(c) != std::string_view::npos;
    });
}

std::string SyncParameters(std::string_view server) { return "/sync \"" + std::string(server) + "\""; }
