// The UDP socket, and Winsock's own start and end.
#include "timesync/udp_socket.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <cstring>


WinsockLibrary::WinsockLibrary() {
    WSADATA data;
    ok_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

WinsockLibrary::~WinsockLibrary() {
    if (ok_) WSACleanup();
}

void UdpSocket::Attach(HWND window, UINT message) {
    window_ = window;
    message_ = message;
}

bool UdpSocket::StartWinsock() {
    if (!winsock_) winsock_.emplace();
    return winsock_->ok();
}

std::string AddressKey(const SocketAddress& address) {
    return {reinterpret_cast<const char*>(&address.address), size_t(address.length)};
}

void UdpSocket::Close() {
    for (OwnedSocket& s : sockets_) s.reset();
}

bool UdpSocket::Open(size_t slot, const SocketAddress& address) {
    Close(slot);
    const auto* at = reinterpret_cast<const sockaddr*>(&address.address);
    OwnedSocket s(socket(at->sa_family, SOCK_DGRAM, IPPROTO_UDP));
    // A datagram that finds no listener is reported (WSAECONNRESET, the system's default for a
    // UDP socket), so that the run can ask the next address at once.
    if (!s || connect(s.get(), at, address.length) != 0 || WSAAsyncSelect(s.get(), window_, message_, FD_READ) != 0)
        return false;
    sockets_[slot] = std::move(s);
    return true;
}

bool UdpSocket::Send(size_t slot, std::span<const uint8_t> datagram) {
    const OwnedSocket& s = sockets_[slot];
    return s && send(s.get(), reinterpret_cast<const char*>(datagram.data()), int(datagram.size()), 0) == int(datagram.size());
}

bool IsUnreachableError(int error) {
    return error == WSAECONNRESET || error == WSAECONNREFUSED || error == WSAENETUNREACH || error == WSAEHOSTUNREACH;
}

UdpSocket::Received UdpSocket::Take(size_t slot, std::vector<uint8_t>& datagram) {
    datagram.assign(2048, 0);
    const OwnedSocket& s = sockets_[slot];
    const int n = s ? recv(s.get(), reinterpret_cast<char*>(datagram.data()), int(datagram.size()), 0) : -1;
    if (n < 0) {
        // WSAEWOULDBLOCK: nothing there; WSAEMSGSIZE: a datagram far too large to be a reply.
        datagram.clear();
        return s && IsUnreachableError(WSAGetLastError()) ? Received::Unreachable : Received::Nothing;
    }
    datagram.resize(size_t(n));
    return Received::Datagram;
}

std::optional<size_t> UdpSocket::SlotOf(WPARAM eventSocket) const {
    for (size_t slot = 0; slot < sockets_.size(); ++slot)
        if (sockets_[slot] && eventSocket == sockets_[slot].get()) return slot;
    return std::nullopt;
}

bool UdpSocket::IsOpen() const {
    return std::any_of(sockets_.begin(), sockets_.end(), [](const OwnedSocket& s) { return bool(s); });
}
