// The command lines "/sync SERVER" of the elevated run and those of the time service
// ("/install-service SERVER", "/uninstall-service", "/service"), and the outcome of an elevated
// start. Portable. Any other command line starts the clock.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct CommandLine {
    enum class Kind {
        Clock,             // the first argument is none of the switches below (every argument is ignored)
        Sync,              // one synchronisation run against `server`, no clock
        InstallService,    // the time service installed, approving `server`
        UninstallService,  // the time service removed
        Service,           // the time service itself, started by the service manager
        Invalid,  // a switch with a missing or unusable server, or with a further argument
    };
    Kind kind = Kind::Clock;
    std::string server;
};

// Equal texts when ASCII letters count the same in either case (switches, host names).
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);

// The arguments after the program's own name, as the system splits them (UTF-8).
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

// A host name or an IPv4 or IPv6 literal, the IPv6 literal bare or in brackets (see
// HostForLookup), without a port: 1 to 253 ASCII letters, digits, '-', '.', ':', '[', ']' and
// '%'. Nothing in it needs quoting or escaping on a command line.
bool IsSyncServer(std::string_view server);

// The parameters that start the elevated run against the server: /sync "SERVER".
std::string SyncParameters(std::string_view server);

// What became of the start of the elevated run. The system's own word counts: a failure whose
// error number is 0 is still a failure. Declined: the user said no (ERROR_CANCELLED).
enum class ElevatedStart { Started, Declined, Failed };
inline constexpr uint32_t kErrorCancelled = 1223;
ElevatedStart ElevatedStartOf(bool executed, uint32_t error);
