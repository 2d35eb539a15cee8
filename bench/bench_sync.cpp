// Prints, for synchronisations against a server in this process on 127.0.0.1:123: the time
// from the reply's departure to the SetSystemTime call, how far the time handed over lies from
// the server's time at that moment; and how long a run takes through a name whose first address
// is silent, beside one with a single address. Run by scripts/bench; not part of the test run. (The CPU
// time of a wait is measured on the real program by bench_idle.)
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "../tests/support/fake_sntp.h"
#include "common/message_pump.h"
#include "timesync/sntp_win.h"
#include "timesync/sync_run.h"

int main() {
    UdpSocket socket;
    SntpExchange exchange{socket};
    const bool topMost = false;
    const Language language = Language::Japanese;
    SyncRun run{exchange, topMost, language};
    SocketWindow window;
    if (!window.Load(GetModuleHandleW(nullptr), socket, exchange)) return 1;
    run.Attach(nullptr);

    {
        FakeSntpServer server;
        if (!server.Start(FakeSntpServer::Mode::Answer)) {
            std::puts("cannot bind 127.0.0.1:123");
            return 1;
        }
        std::vector<double> replyToSet, takenToSet, error;
        for (int i = 0; i < 50; ++i) {
            // As the user's runs: the rules of sending would hold these runs 15 s apart.
            run.ExchangeAndSet("127.0.0.1");
            const SyncTimings t = run.LastSyncTimings();
            replyToSet.push_back(MillisecondsSince(server.lastAnsweredAt, t.setAt));
            takenToSet.push_back(MillisecondsSince(t.takenAt, t.setAt));
            // The server's time at the moment of the call: its transmit time plus what passed since.
            error.push_back(double(t.setUnixMs) - (server.lastAnswerUnixMs + replyToSet.back()));
            Sleep(20);
        }
        std::sort(replyToSet.begin(), replyToSet.end());
        std::sort(takenToSet.begin(), takenToSet.end());
        double meanAbs = 0, maxAbs = 0;
        for (double e : error) meanAbs += std::fabs(e) / double(error.size()), maxAbs = std::max(maxAbs, std::fabs(e));
        std::printf("reply sent to SetSystemTime: median %.3f ms, max %.3f ms (50 runs)\n", replyToSet[25], replyToSet.back());
        std::printf("reply taken from the socket to SetSystemTime: median %.3f ms, max %.3f ms\n", takenToSet[25],
                    takenToSet.back());
        std::printf("time handed over vs server time: mean |error| %.3f ms, max %.3f ms\n", meanAbs, maxAbs);
    }

    {
        // A run's time from its start to the time set, for a name with one address and for one
        // whose first address (::1, IPv6 first as the system orders them) is a silent server.
        FakeSntpServer server;
        const HostsName name("velkaro-bench.test", {"::1", "127.0.0.1"});
        Ipv6Server silent;
        if (!server.Start(FakeSntpServer::Mode::Answer) || !name.ok() || !silent.ok()) {
            std::puts("cannot bind port 123 or write the hosts file");
            return 1;
        }
        for (const char* host : {"127.0.0.1", "velkaro-bench.test"}) {
            std::vector<double> took;
            for (int i = 0; i < 11; ++i) {
                const int64_t start = PerformanceNow();
                if (run.ExchangeAndSet(host).kind == SyncOutcome::Kind::Set) took.push_back(MillisecondsSince(start));
                while (silent.Take(0)) continue;
            }
            std::sort(took.begin(), took.end());
            if (took.empty()) std::printf("run through %s: no run set the time\n", host);
            else std::printf("run through %s: median %.1f ms, max %.1f ms (%zu runs)\n", host, took[took.size() / 2], took.back(), took.size());
        }
    }
    return 0;
}
