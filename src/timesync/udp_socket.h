// The UDP socket, its events delivered on the UI thread as a window message (WSAAsyncSelect).
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "common/handles.h"

using OwnedSocket = Owned<SOCKET, closesocket, INVALID_SOCKET>;

// Winsock for as long as this object lives (WSAStartup, WSACleanup).
class WinsockLibrary {
public:
    WinsockLibrary();
    WinsockLibrary(const WinsockLibrary&) = delete;
    WinsockLibrary& operator=(const WinsockLibrary&) = delete;
    ~WinsockLibrary();
    bool ok() const { return ok_; }

private:
    bool ok_ = false;
};

class UdpSocket {
public:
    UdpSocket() = default;
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;

    // Events of this socket arrive at `window` as `message` (wParam the socket, lParam the
    // WSAAsyncSelect reply).
    void Attach(HWND window, UINT message);
    // Closing a closed socket is no error.
    void Close() { socket_.reset(); }
    // Resolves the host (a name, or a literal IPv4 or IPv6 address) and connects a new socket
    // with a system-chosen local port to it: only the remote end's datagrams reach it.
    bool Open(const std::string& host, int port);
    bool Send(std::span<const uint8_t> datagram);

    enum class Received { Datagram, Nothing };
    // Takes the pending datagram. Nothing when none is there, or when the system only reported
    // that an earlier datagram found no listener (ICMP port unreachable): a reply may still come.
    Received Take(std::vector<uint8_t>& datagram);

    // True when a window message is an event of the socket as it is now (not of a closed one).
    bool Owns(WPARAM eventSocket) const { return socket_ && eventSocket == socket_.get(); }
    bool IsOpen() const { return bool(socket_); }
    SOCKET Handle() const { return socket_.get(); }

private:
    std::optional<WinsockLibrary> winsock_;  // started with the first Open
    OwnedSocket socket_;
    HWND window_ = nullptr;
    UINT message_ = 0;
};

// The system's text for a Winsock error number, in the user's language.
std::string SocketErrorDescription(int error);
