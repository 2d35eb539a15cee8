// One SNTP exchange on the UDP socket, and the message-only window of a socket.
// The exchange is the request, then the first datagram that answers it or the error that ends
// it; the window hands the socket's events to it where there is no clock window.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <string>

#include "common/window.h"
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

    // Sends one request to UDP port 123 of the server on the socket, opened afresh; whatever an
    // earlier request left is forgotten. False, with the failure's report, when it cannot.
    bool SendSntpRequest(const std::string& server);
    // Handlers of the socket's events: the reply to the request in flight, or an error; either
    // ends the exchange and closes the socket, so only the first reply is taken.
    void Winsock1_Event(WPARAM socket, LPARAM event);
    // Closes the socket: a reply that comes later is never taken.
    void Close() { Winsock1.Close(); }

    enum class Outcome {
        Waiting,  // nothing yet (or the outcome has been taken)
        Reply,    // the reply, checked: reply(), takenAt()
        Failed,   // a socket error or a reply without a usable time: errorText()
    };
    Outcome outcome() const { return outcome_; }
    // The run has taken the outcome: a run around it (one that started this one inside its wait)
    // finds nothing and waits on for its own time-out.
    void Forget() { outcome_ = Outcome::Waiting; }
    const SntpReply& reply() const { return reply_; }
    const std::string& errorText() const { return errorText_; }
    int64_t sentAt() const { return sentAt_; }    // performance counter just before the send
    int64_t takenAt() const { return takenAt_; }  // when the reply was taken from the socket

private:
    void Winsock1_DataArrival();
    void Winsock1_Error(int number, const std::string& description);
    void Fail(std::string report);

    UdpSocket& Winsock1;
    std::string server_;
    uint64_t transmitValue_ = 0;
    int64_t sentAt_ = 0, takenAt_ = 0;
    Outcome outcome_ = Outcome::Waiting;
    SntpReply reply_{};
    std::string errorText_;
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
