// The SNTP exchange on the socket, and the message-only window of the socket.
#include "timesync/sntp_win.h"

#include <ntsecapi.h>

#include <vector>

#include "common/message_pump.h"

bool SntpExchange::SendSntpRequest(const std::string& server) {
    server_ = server;
    outcome_ = Outcome::Waiting;  // a reply to an earlier request never counts
    // The request's transmit value, which the reply must echo: from the system's generator (which
    // never fails in practice; the counter would still differ from one request to the next).
    if (!RtlGenRandom(&transmitValue_, sizeof transmitValue_)) transmitValue_ = uint64_t(PerformanceNow());
    const SntpPacket request = BuildRequest(transmitValue_);
    if (Winsock1.Open(HostForLookup(server), kSntpPort)) {
        sentAt_ = PerformanceNow();
        if (Winsock1.Send(request)) return true;
    }
    Fail(SendFailedReport(server));
    return false;
}

void SntpExchange::Fail(std::string report) {
    Close();
    errorText_ = std::move(report);
    outcome_ = Outcome::Failed;
}

void SntpExchange::Winsock1_DataArrival() {
    std::vector<uint8_t> datagram;
    if (Winsock1.Take(datagram) != UdpSocket::Received::Datagram) return;
    const int64_t takenAt = PerformanceNow();
    const ExaminedReply examined = ExamineReply(datagram, transmitValue_, MillisecondsSince(sentAt_, takenAt));
    switch (examined.verdict) {
    case ReplyVerdict::Ignore:
        return;  // not the answer to this request: keep waiting for it
    case ReplyVerdict::NoUsableTime:
        Fail(NoUsableTimeReport(server_));
        return;
    case ReplyVerdict::Accept:
        break;
    }
    Close();  // only the first reply to a request is taken
    reply_ = examined.reply;
    takenAt_ = takenAt;
    outcome_ = Outcome::Reply;
}

void SntpExchange::Winsock1_Error(int number, const std::string& description) {
    Fail(SocketErrorReport(number, description));
}

void SntpExchange::Winsock1_Event(WPARAM socket, LPARAM event) {
    if (!Winsock1.Owns(socket)) return;  // an event of a socket closed since
    if (const int error = WSAGETSELECTERROR(event)) Winsock1_Error(error, SocketErrorDescription(error));
    else if (WSAGETSELECTEVENT(event) == FD_READ) Winsock1_DataArrival();
}

bool SocketWindow::Load(HINSTANCE instance, UdpSocket& socket, SntpExchange& exchange) {
    exchange_ = &exchange;
    WNDCLASSEXW wc{};
    wc.lpszClassName = L"VelkaroSocket";
    if (!CreateBound(instance, wc, 0, L"", 0, 0, 0, 0, 0, HWND_MESSAGE)) return false;
    socket.Attach(hwnd_, kWinsock1Event);
    return true;
}

SocketWindow::~SocketWindow() {
    if (hwnd_) DestroyWindow(hwnd_);
}

LRESULT SocketWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != kWinsock1Event) return DefWindowProcW(hwnd_, message, wParam, lParam);
    exchange_->Winsock1_Event(wParam, lParam);
    return 0;
}
