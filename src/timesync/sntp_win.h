// One SNTP exchange on the UDP socket, and the message-only window of a socket.
// The exchange is a request to each address of the server's name in turn, until the first
// datagram that answers one with a usable time; the window hands the socket's events to it where
// there is no clock window.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "common/window.h"
#include "timesync/address_round.h"
#include "timesync/send_rules.h"
#include "timesync/sntp.h"
#include "timesync/udp_socket.h"

// The message that carries the socket's events to its window (wParam the socket, lParam the
// WSAAsyncSelect reply); the window passes it on to Winsock1_Event.
constexpr UINT kWinsock1Event = WM_APP + 1;

class SntpExchange {
public:
    explicit SntpExchange(UdpSocket& socket) : Winsock1(socket) {}
    SntpExchange(const SntpExchange&) = delete;
    SntpExchange& operator=(const SntpExchange&) = delete;

    // The exchange serves this round from now on: whatever an earlier round left is forgotten,
    // its sockets are closed and it asks no further address.
    void Begin(AddressRound& round);
    // Starts the round over the addresses of the server's name, asking the first that the rules
    // of sending let this run ask (automatic: a start-up, resume or periodic run or their tries).
    // A name that is not found fails as its one address, a send that fails as that address. False
    // when a later run took the exchange meanwhile (while this one's name was looked up).
    bool SendSntpRequest(const std::string& server, std::vector<SocketAddress> addresses, AddressRound& round,
                         bool automatic);
    // Asks the round's next address when it is due (as long as the socket is the round's).
    void Advance(AddressRound& round);
    // The round is over: its sockets are closed, so a reply that comes later is never taken.
    void Release(const AddressRound& round);
    // Handlers of the socket's events: a reply to a request of the round, or an error; either
    // ends that address's part, and the first usable reply ends the round.
    void Winsock1_Event(WPARAM socket, LPARAM event);
    // Closes every socket: the round in progress hears nothing more and asks no one else.
    void Close();
    // The rules of sending of this process, which every round keeps.
    SendRules& Rules() { return rules_; }
    bool StartWinsock() { return Winsock1.StartWinsock(); }
    // The rules' clock: milliseconds since the system started, standby included.
    static int64_t RulesNow();

private:
    void Ask(size_t address);
    void Winsock1_DataArrival(size_t address);
    void Winsock1_Error(size_t address, int number, const std::string& description);
    void Fail(size_t address, AddressRound::Failure failure, int socketError = 0, std::string detail = {});
    void Kissed(size_t address, Kiss kiss);

    UdpSocket& Winsock1;
    AddressRound* round_ = nullptr;  // the round the socket serves, on the stack of its run
    SendRules rules_;
    std::string name_;  // of the round's server, for the rules
    bool automatic_ = false;
    std::vector<SocketAddress> addresses_;
    std::array<uint64_t, kMostAddresses> transmitValue_{};  // each request's own, which its reply echoes
    std::array<int64_t, kMostAddresses> sentAt_{};          // performance counter as each datagram goes
};

// The socket's window where there is no clock (the run started with /sync): message-only, never
// seen. It passes the socket's events to the exchange.
class SocketWindow : public Window<SocketWindow> {
public:
    SocketWindow() = default;
    SocketWindow(const SocketWindow&) = delete;
    SocketWindow& operator=(const SocketWindow&) = delete;
    ~SocketWindow();
    // Makes the window and has the socket's events sent to it.
    bool Load(HINSTANCE instance, UdpSocket& socket, SntpExchange& exchange);

private:
    friend Window;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    SntpExchange* exchange_ = nullptr;
};
