// The UDP socket, its events delivered on the UI thread as a window message (WSAAsyncSelect).
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "common/handles.h"
#include "timesync/address_round.h"

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

// One address of a server, as the system's resolver gives it.
struct SocketAddress {
    sockaddr_storage address{};
    int length = 0;
};
// The address as the rules of sending know it (its bytes: the port is always the same).
std::string AddressKey(const SocketAddress& address);

// The socket control: one connected UDP socket for each address a run asks, in slots numbered
// as the addresses.
class UdpSocket {
public:
    UdpSocket() = default;
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;

    // Events of the sockets arrive at `window` as `message` (wParam the socket, lParam the
    // WSAAsyncSelect reply).
    void Attach(HWND window, UINT message);
    // Winsock is started (with the first look-up, kept until the socket goes).
    bool StartWinsock();
    // Closing a closed socket is no error.
    void Close();
    void Close(size_t slot) { sockets_[slot].reset(); }
    // A new socket in the slot, of the address's family, connected to it with a system-chosen
    // local port: only that address's datagrams reach it.
    bool Open(size_t slot, const SocketAddress& address);
    bool Send(size_t slot, std::span<const uint8_t> datagram);

    enum class Received {
        Datagram,
        Nothing,      // none there (or one far too large to be a reply)
        Unreachable,  // the system reported that the request found no listener, or no way there
    };
    Received Take(size_t slot, std::vector<uint8_t>& datagram);

    // The slot of a window message's socket, if it is one of the sockets as they are now (not a
    // closed one).
    std::optional<size_t> SlotOf(WPARAM eventSocket) const;
    bool IsOpen() const;  // any of them
    SOCKET Handle(size_t slot = 0) const { return sockets_[slot].get(); }

private:
    std::optional<WinsockLibrary> winsock_;
    std::array<OwnedSocket, kMostAddresses> sockets_;
    HWND window_ = nullptr;
    UINT message_ = 0;
};

// True for the errors with which the system says that a datagram found no listener or no way to
// its address (an ICMP "port unreachable" or "host unreachable").
bool IsUnreachableError(int error);
