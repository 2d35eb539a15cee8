// sntp_probe HOST [PORT [COUNT]]: performs SNTP exchanges exactly as the clock does (the same
// request with its random transmit value, the same checks, the same arithmetic and wait for a
// whole millisecond) and, instead of setting the clock, prints the time it would set and that
// time's error against this machine's clock at that moment, in milliseconds. Linux only.
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>
#include <string>

#include "timesync/sntp.h"

namespace {

using Clock = std::chrono::steady_clock;

double MsBetween(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

double RealtimeUnixMs() {
    timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    return double(ts.tv_sec) * 1000.0 + double(ts.tv_nsec) / 1e6;
}

int Connect(const char* host, const char* port) {
    addrinfo hints{}, *found = nullptr;
    hints.ai_socktype = SOCK_DGRAM;
    if (getaddrinfo(host, port, &hints, &found) != 0) return -1;
    int fd = -1;
    for (addrinfo* a = found; a && fd < 0; a = a->ai_next) {
        fd = socket(a->ai_family, a->ai_socktype, a->ai_protocol);
        if (fd >= 0 && connect(fd, a->ai_addr, a->ai_addrlen) != 0) close(fd), fd = -1;
    }
    freeaddrinfo(found);
    return fd;
}

// One exchange; prints its outcome. False when it gave no time.
bool Exchange(int fd, std::mt19937_64& random) {
    constexpr double kTimeoutMs = 1000;
    const uint64_t value = random();
    const SntpPacket request = BuildRequest(value);
    const Clock::time_point sentAt = Clock::now();
    if (send(fd, request.data(), request.size(), 0) != ssize_t(request.size())) {
        std::puts("send failed");
        return false;
    }
    for (;;) {
        const double left = kTimeoutMs - MsBetween(sentAt, Clock::now());
        pollfd p{fd, POLLIN, 0};
        if (left <= 0 || poll(&p, 1, int(left) + 1) <= 0) {
            std::puts("no reply");
            return false;
        }
        uint8_t datagram[512];
        const ssize_t n = recv(fd, datagram, sizeof datagram, 0);
        const Clock::time_point takenAt = Clock::now();
        if (n < 0) continue;  // an ICMP error: the wait goes on, as in the clock
        const double elapsed = MsBetween(sentAt, takenAt);
        const ExaminedReply e = ExamineReply(std::span<const uint8_t>(datagram, size_t(n)), value, elapsed);
        if (e.verdict == ReplyVerdict::Ignore) continue;
        if (e.verdict == ReplyVerdict::NoUsableTime) {
            std::puts("no usable time");
            return false;
        }
        const Clock::time_point waitFrom = Clock::now();
        const double wait = MillisecondsToWholeMillisecond(e.reply, elapsed, MsBetween(takenAt, waitFrom));
        Clock::time_point setAt;
        do setAt = Clock::now();
        while (MsBetween(waitFrom, setAt) < wait);
        const int64_t setMs = TimeToSetUnixMs(e.reply, elapsed, MsBetween(takenAt, setAt));
        const double nowMs = RealtimeUnixMs();
        const CivilTime t = CivilFromUnixMs(setMs);
        std::printf("%s.%03d error %+.3f ms round trip %.3f ms hold %.1f ms\n", FormatReplyTime(t).c_str(),
                    t.millisecond, double(setMs) - nowMs, elapsed, HoldMs(e.reply));
        return true;
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s HOST [PORT [COUNT]]\n", argv[0]);
        return 2;
    }
    const int fd = Connect(argv[1], argc > 2 ? argv[2] : "123");
    if (fd < 0) {
        std::fprintf(stderr, "cannot reach %s\n", argv[1]);
        return 1;
    }
    const int count = argc > 3 ? std::atoi(argv[3]) : 1;
    std::mt19937_64 random{std::random_device{}()};
    int failures = 0;
    for (int i = 0; i < count; ++i) failures += !Exchange(fd, random);
    close(fd);
    return failures ? 1 : 0;
}
