// The UDP socket, and Winsock's own start and end.
#include "timesync/udp_socket.h"

#include <ws2tcpip.h>
#include <mswsock.h>

#include "common/text_encoding.h"

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

bool UdpSocket::Open(const std::string& host, int port) {
    Close();
    if (!winsock_) winsock_.emplace();
    if (!winsock_->ok() || host.empty()) return false;
    addrinfoW hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    hints.ai_protocol = IPPROTO_UDP;
    addrinfoW* found = nullptr;
    if (GetAddrInfoW(Utf8ToWide(host).c_str(), std::to_wstring(port).c_str(), &hints, &found) != 0) return false;
    for (addrinfoW* a = found; a && !socket_; a = a->ai_next) {
        OwnedSocket s(socket(a->ai_family, a->ai_socktype, a->ai_protocol));
        if (s && connect(s.get(), a->ai_addr, int(a->ai_addrlen)) == 0) socket_ = std::move(s);
    }
    FreeAddrInfoW(found);
    if (!socket_) return false;
    // An ICMP "port unreachable" should not end the exchange as an error: the run waits for
    // its time-out, as it does for a server that stays silent.
    BOOL report = FALSE;
    DWORD unused = 0;
    WSAIoctl(socket_.get(), SIO_UDP_CONNRESET, &report, sizeof report, nullptr, 0, &unused, nullptr, nullptr);
    if (WSAAsyncSelect(socket_.get(), window_, message_, FD_READ) != 0) {
        Close();
        return false;
    }
    return true;
}

bool UdpSocket::Send(std::span<const uint8_t> datagram) {
    if (!socket_) return false;
    return send(socket_.get(), reinterpret_cast<const char*>(datagram.data()), int(datagram.size()), 0) == int(datagram.size());
}

UdpSocket::Received UdpSocket::Take(std::vector<uint8_t>& datagram) {
    datagram.assign(2048, 0);
    if (!socket_) return Received::Nothing;
    const int n = recv(socket_.get(), reinterpret_cast<char*>(datagram.data()), int(datagram.size()), 0);
    if (n < 0) {
        // WSAEWOULDBLOCK: nothing there; WSAECONNRESET/WSAECONNREFUSED: the report of an
        // unreachable port; WSAEMSGSIZE: a datagram far too large to be a reply.
        datagram.clear();
        return Received::Nothing;
    }
    datagram.resize(size_t(n));
    return Received::Datagram;
}

std::string SocketErrorDescription(int error) {
    const std::string description = SystemMessage(DWORD(error));
    // Not every system has texts for the socket errors (Wine has none).
    return description.empty() ? "通信中にエラーが発生しました。" : description;
}
