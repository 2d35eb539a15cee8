// A time server on 127.0.0.1:123 for the tests (root on Linux, so Wine may bind below 1024).
#pragma once
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <initializer_list>
#include <span>
#include <string>
#include <vector>

struct SntpRequest {
    std::vector<uint8_t> bytes;
    sockaddr_in from{};
    int64_t arrivedAt = 0;  // performance counter
};

// The milliseconds from one request's arrival to a later one's.
double MsBetween(const SntpRequest& earlier, const SntpRequest& later);

class FakeSntpServer {
public:
    enum class Mode {
        Answer,       // the current time plus an offset, after an optional hold
        Silent,       // takes requests, never answers
        KissOfDeath,  // stratum 0
        Manual,       // the test answers (WaitForRequest, SendTo)
    };
    ~FakeSntpServer() { Stop(); }
    // holdMs: each answer is sent that long after its request came, its receive timestamp
    // saying when it came.
    bool Start(Mode mode, int64_t offsetMs = 0, int holdMs = 0);
    void Stop();

    int RequestCount();
    std::vector<SntpRequest> Requests();
    std::optional<SntpRequest> WaitForRequest(int timeoutMs);  // the next one not yet waited for
    // The last automatic answer: when it was sent (performance counter) and the transmit
    // time it carried, in milliseconds since 1970.
    int64_t lastAnsweredAt = 0;
    double lastAnswerUnixMs = 0;
    // The reference id of a kiss (KissOfDeath): "DENY", "RATE", ...; zeros by default.
    char kissCode[4] = {};
    // Called on the server's thread as each request arrives.
    std::function<void(const SntpRequest&)> onRequest;

    // A reply to the request: the current time plus the offset, originate copied from it.
    static std::vector<uint8_t> AnswerTo(const SntpRequest& request, int64_t offsetMs, uint8_t stratum = 1);
    // Sends bytes to where a request came from, from the server's port or from another one.
    void SendTo(const SntpRequest& request, std::span<const uint8_t> bytes, bool fromOtherPort = false);

private:
    static DWORD WINAPI ThreadProc(LPVOID self);
    void Loop();
    void Answer(const SntpRequest& request, uint64_t receivedAt);  // receivedAt 0: no hold

    SOCKET socket_ = INVALID_SOCKET;
    HANDLE thread_ = nullptr;
    Mode mode_ = Mode::Answer;
    int64_t offsetMs_ = 0;
    int holdMs_ = 0;
    std::mutex lock_;
    std::vector<SntpRequest> requests_;
    size_t waited_ = 0;
};

bool StartWinsock();

// A name of the machine's hosts file (Wine asks the machine's resolver), given these addresses in
// this order while the object lives: "::1" first, then "127.0.0.1", come back in that order.
class HostsName {
public:
    HostsName(const char* name, std::initializer_list<const char*> addresses);
    ~HostsName();
    HostsName(const HostsName&) = delete;
    HostsName& operator=(const HostsName&) = delete;
    bool ok() const { return ok_; }

private:
    std::string old_;
    bool ok_ = false;
};

// A server on [::1]:123 that answers only when told.
class Ipv6Server {
public:
    Ipv6Server();
    ~Ipv6Server();
    Ipv6Server(const Ipv6Server&) = delete;
    Ipv6Server& operator=(const Ipv6Server&) = delete;
    bool ok() const { return socket_ != INVALID_SOCKET; }
    // The next request to come within the time-out (none: none came), and an answer to it.
    std::optional<SntpRequest> Take(int timeoutMs);
    void Answer(std::span<const uint8_t> bytes);

private:
    SOCKET socket_ = INVALID_SOCKET;
    sockaddr_in6 from_{};
};
