// The SNTP exchange on the socket, and the message-only window of the socket.
#include "timesync/sntp_win.h"

#include <algorithm>
#include <vector>

#include "common/message_pump.h"
#include "common/system_library.h"
#include "common/text_encoding.h"

void SntpExchange::Begin(AddressRound& round) {
    Close();  // a run started inside another's wait: the other hears nothing more
    round_ = &round;
}

bool SntpExchange::SendSntpRequest(const std::string& server, std::vector<SocketAddress> addresses,
                                   AddressRound& round, bool automatic) {
    if (round_ != &round) return false;
    name_ = HostForLookup(server);
    automatic_ = automatic;
    addresses_ = std::move(addresses);
    round.Start(std::max<size_t>(addresses_.size(), 1));  // a name not found fails as its one address
    Advance(round);
    return true;
}

int64_t SntpExchange::RulesNow() { return int64_t(GetTickCount64()); }

void SntpExchange::Advance(AddressRound& round) {
    if (round_ != &round) return;
    while (const std::optional<size_t> next = round.Due(PerformanceMs())) {
        const std::optional<SendRules::Hold> hold =
            *next < addresses_.size() ? rules_.MayAsk(name_, AddressKey(addresses_[*next]), automatic_, RulesNow())
                                      : std::nullopt;
        if (hold) round.Passed(*next, *hold, PerformanceMs());
        else Ask(*next);
    }
}

void SntpExchange::Ask(size_t address) {
    // The request's transmit value, which the reply must echo: from the system's generator (which
    // never fails in practice; the counter would still differ from one request to the next).
    uint64_t& transmitValue = transmitValue_[address];
    const BcryptFunctions* bcrypt = Bcrypt();
    if (!bcrypt || !BCRYPT_SUCCESS(bcrypt->BCryptGenRandom(nullptr, reinterpret_cast<PUCHAR>(&transmitValue),
                                                           sizeof transmitValue, BCRYPT_USE_SYSTEM_PREFERRED_RNG)))
        transmitValue = uint64_t(PerformanceNow());
    const SntpPacket request = BuildRequest(transmitValue);
    if (address >= addresses_.size() || !Winsock1.Open(address, addresses_[address])) {
        round_->Asked(address, PerformanceMs());
        return Fail(address, AddressRound::Failure::SendFailed);
    }
    // The round trip is timed from the moment the datagram goes, the socket's set-up left out.
    sentAt_[address] = PerformanceNow();
    round_->Asked(address, PerformanceMs(sentAt_[address]));
    // The tick count lags the moment by up to one timer interrupt (15.6 ms): the request counts
    // from the end of its tick, so that 15 s by the count are 15 s at least.
    constexpr int64_t kTickMs = 16;
    rules_.Sent(name_, AddressKey(addresses_[address]), RulesNow() + kTickMs);
    if (!Winsock1.Send(address, request)) Fail(address, AddressRound::Failure::SendFailed);
}

void SntpExchange::Release(const AddressRound& round) {
    if (round_ == &round) Close();
}

void SntpExchange::Close() {
    Winsock1.Close();
    if (round_) round_->Cut();
    round_ = nullptr;
}

void SntpExchange::Fail(size_t address, AddressRound::Failure failure, int socketError, std::string detail) {
    Winsock1.Close(address);
    round_->Fail(address, failure, socketError, std::move(detail));
}

void SntpExchange::Winsock1_DataArrival(size_t address) {
    std::vector<uint8_t> datagram;
    switch (Winsock1.Take(address, datagram)) {
    case UdpSocket::Received::Nothing: return;
    case UdpSocket::Received::Unreachable: return Fail(address, AddressRound::Failure::Unreachable);
    case UdpSocket::Received::Datagram: break;
    }
    const int64_t takenAt = PerformanceNow();
    const double elapsed = MillisecondsSince(sentAt_[address], takenAt);
    const ExaminedReply examined = ExamineReply(datagram, transmitValue_[address], elapsed);
    switch (examined.verdict) {
    case ReplyVerdict::Ignore: return;  // not the answer to this address's request: keep waiting for it
    case ReplyVerdict::NoUsableTime: return Kissed(address, examined.kiss);
    case ReplyVerdict::Accept: break;
    }
    round_->Replied({examined.reply, elapsed, sentAt_[address], takenAt});
    Winsock1.Close();  // only the first reply is taken
}

// A reply without a usable time; a kiss also tells the rules what the server asked for.
void SntpExchange::Kissed(size_t address, Kiss kiss) {
    if (kiss == Kiss::None || kiss == Kiss::Other) return Fail(address, AddressRound::Failure::NoUsableTime);
    const std::string key = AddressKey(addresses_[address]);
    rules_.Kissed(key, kiss, RulesNow());
    Winsock1.Close(address);
    if (kiss == Kiss::Deny) round_->Fail(address, AddressRound::Failure::Refused);
    else round_->Rested(address, rules_.RestsUntil(key, RulesNow()).value_or(RulesNow()));
}

void SntpExchange::Winsock1_Error(size_t address, int number, const std::string& description) {
    Fail(address, AddressRound::Failure::SocketError, number, description);
}

void SntpExchange::Winsock1_Event(WPARAM socket, LPARAM event) {
    const std::optional<size_t> address = Winsock1.SlotOf(socket);
    if (!address || !round_) return;  // an event of a socket closed since
    const int error = WSAGETSELECTERROR(event);
    if (IsUnreachableError(error)) Fail(*address, AddressRound::Failure::Unreachable);
    else if (error) Winsock1_Error(*address, error, SystemMessage(DWORD(error)));
    else if (WSAGETSELECTEVENT(event) == FD_READ) Winsock1_DataArrival(*address);
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
