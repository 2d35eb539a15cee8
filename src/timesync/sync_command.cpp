// The command line of the elevated synchronisation, and what became of its start.
#include "timesync/sync_command.h"

#include <algorithm>

#include "timesync/sntp.h"

namespace {

bool IsAsciiAlnum(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

}  // namespace

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    using Kind = CommandLine::Kind;
    struct Switch {
        std::string_view name;
        Kind kind;
        bool takesServer;
    };
    static constexpr Switch kSwitches[] = {{"/sync", Kind::Sync, true},
                                           {"/install-service", Kind::InstallService, true},
                                           {"/uninstall-service", Kind::UninstallService, false},
                                           {"/service", Kind::Service, false}};
    if (arguments.empty()) return {};
    for (const Switch& s : kSwitches) {
        if (!EqualsIgnoringAsciiCase(arguments[0], s.name)) continue;
        if (!s.takesServer) return {arguments.size() == 1 ? s.kind : Kind::Invalid, {}};
        if (arguments.size() != 2 || !IsSyncServer(arguments[1])) return {Kind::Invalid, {}};
        return {s.kind, arguments[1]};
    }
    return {};
}

bool IsSyncServer(std::string_view server) {
    const bool usable = !server.empty() && server.size() <= 253 && std::ranges::all_of(server, [](char c) {
        return IsAsciiAlnum(c) || std::string_view("-.:[]%").find(c) != std::string_view::npos;
    });
    return usable && !HostForLookup(server).empty();  // a host the exchange can look up: no port
}

ElevatedStart ElevatedStartOf(bool executed, uint32_t error) {
    if (executed) return ElevatedStart::Started;
    return error == kErrorCancelled ? ElevatedStart::Declined : ElevatedStart::Failed;
}

std::string SyncParameters(std::string_view server) { return "/sync \"" + std::string(server) + "\""; }
