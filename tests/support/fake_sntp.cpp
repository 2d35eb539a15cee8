#include "fake_sntp.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <cstring>

double MsBetween(const SntpRequest& earlier, const SntpRequest& later) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return double(later.arrivedAt - earlier.arrivedAt) * 1000.0 / double(frequency.QuadPart);
}

bool StartWinsock() {
    static const bool ok = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return ok;
}

namespace {
constexpr const wchar_t* kHostsFile = L"Z:\\etc\\hosts";

bool WriteWhole(const std::string& text) {
    const HANDLE file = CreateFileW(kHostsFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, text.data(), DWORD(text.size()), &written, nullptr) && written == text.size();
    CloseHandle(file);
    return ok;
}
}  // namespace

HostsName::HostsName(const char* name, std::initializer_list<const char*> addresses) {
    const HANDLE file = CreateFileW(kHostsFile, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    char buffer[4096];
    for (DWORD n = 0; ReadFile(file, buffer, sizeof buffer, &n, nullptr) && n;) old_.append(buffer, n);
    CloseHandle(file);
    std::string text = old_ + "\n";
    for (const char* address : addresses) text += std::string(address) + " " + name + "\n";
    ok_ = WriteWhole(text);
}

HostsName::~HostsName() {
    if (ok_) WriteWhole(old_);
}

Ipv6Server::Ipv6Server() {
    StartWinsock();
    socket_ = socket(AF_INET6, SOCK_DGRAM, IPPROTO_UDP);
    sockaddr_in6 at{};
    at.sin6_family = AF_INET6;
    at.sin6_port = htons(123);
    at.sin6_addr = in6addr_loopback;
    if (socket_ != INVALID_SOCKET && bind(socket_, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0) {
        closesocket(socket_);
        socket_ = INVALID_SOCKET;
    }
}

Ipv6Server::~Ipv6Server() {
    if (socket_ != INVALID_SOCKET) closesocket(socket_);
}

std::optional<SntpRequest> Ipv6Server::Take(int timeoutMs) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socket_, &readable);
    timeval wait{timeoutMs / 1000, timeoutMs % 1000 * 1000};
    if (select(0, &readable, nullptr, nullptr, &wait) != 1) return std::nullopt;
    SntpRequest request;
    request.bytes.resize(512);
    int fromLength = sizeof from_;
    const int n = recvfrom(socket_, reinterpret_cast<char*>(request.bytes.data()), int(request.bytes.size()), 0,
                           reinterpret_cast<sockaddr*>(&from_), &fromLength);
    if (n < 0) return std::nullopt;
    request.bytes.resize(size_t(n));
    return request;
}

void Ipv6Server::Answer(std::span<const uint8_t> bytes) {
    sendto(socket_, reinterpret_cast<const char*>(bytes.data()), int(bytes.size()), 0, reinterpret_cast<sockaddr*>(&from_),
           sizeof from_);
}

bool FakeSntpServer::Start(Mode mode, int64_t offsetMs, int holdMs) {
    StartWinsock();
    mode_ = mode;
    offsetMs_ = offsetMs;
    holdMs_ = holdMs;
    socket_ = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    BOOL reuse = TRUE;
    setsockopt(socket_, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&reuse), sizeof reuse);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_port = htons(123);
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(socket_, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0) return false;
    thread_ = CreateThread(nullptr, 0, ThreadProc, this, 0, nullptr);
    return thread_ != nullptr;
}

void FakeSntpServer::Stop() {
    if (socket_ != INVALID_SOCKET) closesocket(socket_);  // ends the loop's recvfrom
    socket_ = INVALID_SOCKET;
    if (thread_) {
        WaitForSingleObject(thread_, 3000);
        CloseHandle(thread_);
        thread_ = nullptr;
    }
}

DWORD WINAPI FakeSntpServer::ThreadProc(LPVOID self) {
    static_cast<FakeSntpServer*>(self)->Loop();
    return 0;
}

namespace {

double NowMs() {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return double(now.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

uint64_t FileTimeNow() {
    FILETIME ft;
    GetSystemTimePreciseAsFileTime(&ft);
    return uint64_t(ft.dwHighDateTime) << 32 | ft.dwLowDateTime;
}

// A time (100 ns units since 1601, plus an offset) as an NTP timestamp at bytes[at].
void PutTimestamp(std::vector<uint8_t>& bytes, size_t at, uint64_t fileTime, int64_t offsetMs) {
    const uint64_t t = fileTime + uint64_t(offsetMs * 10000);
    const uint64_t seconds = t / 10000000 - 9435484800ull;  // 1601 to 1900
    const uint64_t fraction = ((t % 10000000) << 32) / 10000000;
    for (int i = 0; i < 4; ++i) bytes[at + i] = uint8_t(seconds >> (24 - 8 * i));
    for (int i = 0; i < 4; ++i) bytes[at + 4 + i] = uint8_t(fraction >> (24 - 8 * i));
}

}  // namespace

void FakeSntpServer::Loop() {
    // Answers wait in arrival order, each until its own moment: requests that come while
    // earlier ones are held are answered on time, not one after the other.
    struct Held {
        SntpRequest request;
        uint64_t receivedAt;  // FILETIME units
        double due;           // NowMs
    };
    std::vector<Held> held;
    for (;;) {
        while (!held.empty() && NowMs() >= held.front().due) {
            Answer(held.front().request, held.front().receivedAt);
            held.erase(held.begin());
        }
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(socket_, &readable);
        timeval wait{1, 0};
        if (!held.empty()) {
            const long us = std::max(0L, long((held.front().due - NowMs()) * 1000));
            wait = {us / 1000000, us % 1000000};
        }
        const int ready = select(0, &readable, nullptr, nullptr, &wait);
        if (ready < 0) return;  // the socket was closed: Stop
        if (ready == 0) continue;

        SntpRequest request;
        request.bytes.resize(512);
        int fromLength = sizeof request.from;
        const int n = recvfrom(socket_, reinterpret_cast<char*>(request.bytes.data()), int(request.bytes.size()), 0,
                               reinterpret_cast<sockaddr*>(&request.from), &fromLength);
        if (n < 0) {
            if (WSAGetLastError() == WSAECONNRESET) continue;
            return;
        }
        const uint64_t receivedAt = FileTimeNow();
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        request.arrivedAt = now.QuadPart;
        request.bytes.resize(size_t(n));
        {
            std::lock_guard<std::mutex> hold(lock_);
            requests_.push_back(request);
        }
        if (onRequest) onRequest(request);
        if (mode_ == Mode::Silent || mode_ == Mode::Manual) continue;
        if (holdMs_) held.push_back({std::move(request), receivedAt, NowMs() + holdMs_});
        else Answer(request, 0);
    }
}

void FakeSntpServer::Answer(const SntpRequest& request, uint64_t receivedAt) {
    std::vector<uint8_t> answer = AnswerTo(request, offsetMs_, mode_ == Mode::KissOfDeath ? 0 : 1);
    if (mode_ == Mode::KissOfDeath) std::copy(kissCode, kissCode + 4, answer.begin() + 12);
    if (receivedAt) PutTimestamp(answer, 32, receivedAt, offsetMs_);  // held since it arrived
    LARGE_INTEGER sent;
    QueryPerformanceCounter(&sent);
    SendTo(request, answer);
    uint64_t seconds = 0, fraction = 0;
    for (int i = 0; i < 4; ++i) seconds = seconds << 8 | answer[40 + i], fraction = fraction << 8 | answer[44 + i];
    lastAnswerUnixMs = (double(seconds) - 2208988800.0) * 1000.0 + double(fraction) * 1000.0 / 4294967296.0;
    lastAnsweredAt = sent.QuadPart;
}

int FakeSntpServer::RequestCount() {
    std::lock_guard<std::mutex> hold(lock_);
    return int(requests_.size());
}

std::vector<SntpRequest> FakeSntpServer::Requests() {
    std::lock_guard<std::mutex> hold(lock_);
    return requests_;
}

std::optional<SntpRequest> FakeSntpServer::WaitForRequest(int timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    do {
        {
            std::lock_guard<std::mutex> hold(lock_);
            if (waited_ < requests_.size()) return requests_[waited_++];
        }
        Sleep(5);
    } while (GetTickCount64() < end);
    return std::nullopt;
}

std::vector<uint8_t> FakeSntpServer::AnswerTo(const SntpRequest& request, int64_t offsetMs, uint8_t stratum) {
    std::vector<uint8_t> r(48, 0);
    r[0] = 0x24;  // leap 0, version 4, mode 4 (server)
    r[1] = stratum;
    r[2] = 6;     // poll
    r[3] = 0xEC;  // precision -20
    if (request.bytes.size() >= 48) std::memcpy(&r[24], &request.bytes[40], 8);  // originate
    const uint64_t now = FileTimeNow();
    for (size_t at : {16, 32, 40}) PutTimestamp(r, at, now, offsetMs);  // reference, receive, transmit
    return r;
}

void FakeSntpServer::SendTo(const SntpRequest& request, std::span<const uint8_t> bytes, bool fromOtherPort) {
    SOCKET from = socket_;
    if (fromOtherPort) {
        from = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
        sockaddr_in any{};
        any.sin_family = AF_INET;
        any.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(from, reinterpret_cast<sockaddr*>(&any), sizeof any);
    }
    sendto(from, reinterpret_cast<const char*>(bytes.data()), int(bytes.size()), 0,
           reinterpret_cast<const sockaddr*>(&request.from), sizeof request.from);
    if (fromOtherPort) closesocket(from);
}
