// udp_relay LISTEN_PORT SERVER_PORT TO_SERVER_MS TO_CLIENT_MS [JITTER_MS [SEED]]: a UDP relay on
// 127.0.0.1 that forwards each datagram to 127.0.0.1:SERVER_PORT and each answer back to its
// client, each after its one-way delay plus a uniform jitter of +-JITTER_MS (never below zero).
// The jitter is drawn in the order the datagrams arrive from a generator seeded with SEED, so a
// relay started afresh with the same seed gives the same delays to the same sequence of
// exchanges. Stands in for a network path. Runs until SIGTERM or SIGINT. Linux only.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <queue>
#include <random>
#include <vector>

namespace {

volatile std::sig_atomic_t stopping = 0;

int64_t NowNs() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

int BoundSocket(uint16_t port) {
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        std::perror("udp_relay: bind");
        std::exit(1);
    }
    return fd;
}

struct Pending {
    int64_t dueNs;
    int fd;
    sockaddr_in to;
    std::vector<uint8_t> bytes;
    bool operator>(const Pending& o) const { return dueNs > o.dueNs; }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: %s LISTEN_PORT SERVER_PORT TO_SERVER_MS TO_CLIENT_MS [JITTER_MS [SEED]]\n", argv[0]);
        return 2;
    }
    const uint16_t listenPort = uint16_t(std::atoi(argv[1]));
    sockaddr_in server{};
    server.sin_family = AF_INET;
    server.sin_port = htons(uint16_t(std::atoi(argv[2])));
    server.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const double toServerMs = std::atof(argv[3]), toClientMs = std::atof(argv[4]);
    const double jitterMs = argc > 5 ? std::atof(argv[5]) : 0;
    std::signal(SIGTERM, [](int) { stopping = 1; });
    std::signal(SIGINT, [](int) { stopping = 1; });

    std::mt19937_64 random{argc > 6 ? std::strtoull(argv[6], nullptr, 10) : std::random_device{}()};
    std::uniform_real_distribution<double> jitter(-jitterMs, jitterMs);
    auto dueIn = [&](double delayMs) {
        const double ms = delayMs + (jitterMs > 0 ? jitter(random) : 0.0);
        return NowNs() + int64_t((ms > 0 ? ms : 0) * 1e6);
    };

    const int listener = BoundSocket(listenPort);
    std::map<uint64_t, std::pair<int, sockaddr_in>> upstreams;  // client address -> socket to the server
    std::priority_queue<Pending, std::vector<Pending>, std::greater<>> pending;
    std::vector<uint8_t> buffer(65536);

    while (!stopping) {
        while (!pending.empty() && pending.top().dueNs <= NowNs()) {
            const Pending& p = pending.top();
            sendto(p.fd, p.bytes.data(), p.bytes.size(), 0, reinterpret_cast<const sockaddr*>(&p.to), sizeof p.to);
            pending.pop();
        }
        std::vector<pollfd> fds{{listener, POLLIN, 0}};
        std::vector<const std::pair<int, sockaddr_in>*> owners{nullptr};
        for (const auto& [key, up] : upstreams) fds.push_back({up.first, POLLIN, 0}), owners.push_back(&up);
        timespec wait{1, 0};
        if (!pending.empty()) {
            const int64_t ns = pending.top().dueNs - NowNs();
            wait = ns > 0 ? timespec{time_t(ns / 1000000000), long(ns % 1000000000)} : timespec{0, 0};
        }
        if (ppoll(fds.data(), fds.size(), &wait, nullptr) <= 0) continue;
        for (size_t i = 0; i < fds.size(); ++i) {
            if (!(fds[i].revents & POLLIN)) continue;
            sockaddr_in from{};
            socklen_t fromSize = sizeof from;
            const ssize_t n =
                recvfrom(fds[i].fd, buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr*>(&from), &fromSize);
            if (n < 0) continue;
            std::vector<uint8_t> bytes(buffer.begin(), buffer.begin() + n);
            if (i == 0) {  // from a client: on to the server through that client's own socket
                const uint64_t key = uint64_t(from.sin_addr.s_addr) << 16 | from.sin_port;
                auto it = upstreams.find(key);
                if (it == upstreams.end()) it = upstreams.emplace(key, std::pair{BoundSocket(0), from}).first;
                pending.push({dueIn(toServerMs), it->second.first, server, std::move(bytes)});
            } else {  // from the server: back to the client
                pending.push({dueIn(toClientMs), listener, owners[i]->second, std::move(bytes)});
            }
        }
    }
    return 0;
}
