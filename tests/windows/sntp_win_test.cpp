// One SNTP exchange on a socket, and the run around it, against a server on 127.0.0.1:123.
#include <gtest/gtest.h>

#include <functional>

#include "../support/fake_sntp.h"
#include "common/message_pump.h"
#include "common/text_encoding.h"
#include "resource.h"
#include "timesync/name_lookup.h"
#include "timesync/sntp_win.h"
#include "timesync/sync_run.h"

namespace {

// A socket with its window, the exchange on it and a run without a clock, as the /sync run has.
class SntpExchangeTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(window.Load(GetModuleHandleW(nullptr), socket, exchange));
        run.Attach(nullptr);
        ASSERT_TRUE(server.Start(FakeSntpServer::Mode::Manual)) << "bind 127.0.0.1:123: " << WSAGetLastError();
    }
    // Lets the window process its messages for a while, as a run's wait does.
    static void Pump(int ms) {
        const ULONGLONG end = GetTickCount64() + ms;
        while (GetTickCount64() < end) {
            PumpMessages();
            Sleep(5);
        }
    }
    // Lets it process them until the condition holds, for at most the time-out, asking the
    // round's next address when it is due, as a run's wait does.
    bool PumpUntil(const std::function<bool()>& condition, int timeoutMs = 3000) {
        const ULONGLONG end = GetTickCount64() + timeoutMs;
        for (;;) {
            exchange.Advance(round);
            PumpMessages();
            if (condition()) return true;
            if (GetTickCount64() >= end) return false;
            Sleep(5);
        }
    }
    bool Replied() const { return round.reply().has_value(); }
    // The round's end as the run would report it now.
    std::optional<std::string> Report() const {
        if (!round.Over(PerformanceMs()) || round.reply()) return std::nullopt;
        return OutcomeReport(Language::Japanese, round.Failed(), server_);
    }
    void Send(const std::string& host) {
        server_ = host;
        exchange.StartWinsock();
        const NameLookup lookup(HostForLookup(host), kSntpPort);
        WaitForSingleObject(lookup.Event(), DWORD(kLookupLimitMs));
        exchange.Begin(round);
        exchange.SendSntpRequest(host, lookup.Addresses(), round, false);
    }

    UdpSocket socket;
    SntpExchange exchange{socket};
    const bool topMost = false;
    const Language language = Language::Japanese;
    SyncRun run{exchange, topMost, language};
    SocketWindow window;
    FakeSntpServer server;
    AddressRound round;
    std::string server_;
};

TEST_F(SntpExchangeTest, RequestOnTheWireAndTheRepliesThatCount) {
    Send("127.0.0.1");
    auto request = server.WaitForRequest(2000);
    ASSERT_TRUE(request);
    ASSERT_EQ(48u, request->bytes.size());
    EXPECT_EQ(0x0B, request->bytes[0]);
    for (size_t i = 1; i < 40; ++i) EXPECT_EQ(0, request->bytes[i]) << "byte " << i;
    uint64_t transmit = 0;
    for (size_t i = 40; i < 48; ++i) transmit = transmit << 8 | request->bytes[i];
    EXPECT_NE(0u, transmit);  // the random value that the reply must echo
    EXPECT_NE(0, ntohs(request->from.sin_port));

    std::vector<uint8_t> answer = FakeSntpServer::AnswerTo(*request, 0);
    std::vector<uint8_t> shortAnswer(answer.begin(), answer.begin() + 47);
    server.SendTo(*request, shortAnswer);
    std::vector<uint8_t> forged = answer;
    forged[31] ^= 1;  // another originate
    server.SendTo(*request, forged);
    server.SendTo(*request, answer, /*fromOtherPort=*/true);
    Pump(300);
    EXPECT_FALSE(Replied()) << "took a datagram that is not the reply";
    EXPECT_TRUE(socket.IsOpen());

    // the reply itself: the time two years ahead, to tell it from the clock's own
    answer = FakeSntpServer::AnswerTo(*request, 2LL * 365 * 86400 * 1000);
    answer[1] = 2;
    server.SendTo(*request, answer);
    ASSERT_TRUE(PumpUntil([&] { return Replied(); }));
    SYSTEMTIME now;
    GetSystemTime(&now);
    const SntpReply& reply = round.reply()->reply;
    EXPECT_EQ(now.wYear + 2, CivilFromUnixMs(reply.transmitUnixSeconds * 1000).year);
    EXPECT_EQ(2, reply.stratum);
    EXPECT_EQ(6, reply.poll);
    EXPECT_EQ(236, reply.precision);
    EXPECT_EQ(0, reply.hold);
    EXPECT_GE(round.reply()->takenAt, round.reply()->sentAt);
    EXPECT_FALSE(socket.IsOpen());  // only the first reply is taken
}

TEST_F(SntpExchangeTest, ReplyWithoutUsableTimeLeavesItsReport) {
    Send("127.0.0.1");
    auto request = server.WaitForRequest(2000);
    ASSERT_TRUE(request);
    server.SendTo(*request, FakeSntpServer::AnswerTo(*request, 0, /*stratum=*/0));
    ASSERT_TRUE(PumpUntil([&] { return !socket.IsOpen(); }));
    // at once: the server's only address has answered
    EXPECT_EQ("時刻の同期に失敗しました。\r\n\r\nNTPサーバー '127.0.0.1' の応答に有効な時刻が含まれていません。", Report());
}

TEST_F(SntpExchangeTest, ErrorEventClosesTheSocketAndLeavesItsText) {
    Send("127.0.0.1");
    ASSERT_TRUE(socket.IsOpen());
    // An asynchronous error as the system reports it to the window.
    PostMessageW(window.hwnd(), WM_APP + 1, WPARAM(socket.Handle()), WSAMAKESELECTREPLY(FD_READ, WSAENETDOWN));
    EXPECT_TRUE(PumpUntil([&] { return !socket.IsOpen(); }));
    // with the system's description, or a sentence of the program's where the system has none (Wine)
    wchar_t* description = nullptr;
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   WSAENETDOWN, 0, reinterpret_cast<wchar_t*>(&description), 0, nullptr);
    ASSERT_TRUE(Report());
    const std::string text = *Report();
    if (!description) {
        EXPECT_EQ("通信エラー No.10050: 通信中にエラーが発生しました。", text);
    } else {
        EXPECT_EQ(0u, text.find("通信エラー No.10050: " + WideToUtf8(description).substr(0, 8))) << text;
        LocalFree(description);
    }
}

TEST_F(SntpExchangeTest, SendFailureNamesTheServer) {
    for (const char* host : {"", "no-such-host.invalid", "[::1]:123", "127.0.0.1:123"}) {
        Send(host);  // no port but 123
        EXPECT_EQ("時刻の同期に失敗しました。\r\n\r\nNTPサーバー '" + std::string(host) + "' と正常に通信できません。", Report()) << host;
    }
}

TEST_F(SntpExchangeTest, LiteralIpv6AddressIsAcceptedBareOrInBrackets) {
    for (const char* host : {"::1", "[::1]"}) {  // nobody answers there; the send itself works
        Send(host);
        EXPECT_EQ(1u, round.Addresses()) << host;
        EXPECT_FALSE(Report()) << host;
    }
}

// A name whose first address (::1) stays silent: the second is asked at once when the first
// reports an unreachable port, else 500 ms after the first request, whose late reply still
// counts, timed from its own request.
TEST_F(SntpExchangeTest, TheNextAddressAfterAnErrorOrHalfASecondAndALateReplyOfTheFirst) {
    const HostsName name("velkaro-two.test", {"::1", "127.0.0.1"});
    ASSERT_TRUE(name.ok()) << "the hosts file cannot be written";
    Ipv6Server first;
    ASSERT_TRUE(first.ok());
    Send("velkaro-two.test");
    EXPECT_EQ(2u, round.Addresses());
    ASSERT_TRUE(first.Take(2000));
    PostMessageW(window.hwnd(), WM_APP + 1, WPARAM(socket.Handle(0)), WSAMAKESELECTREPLY(FD_READ, WSAECONNRESET));
    ASSERT_TRUE(PumpUntil([&] { return socket.Handle(0) == INVALID_SOCKET; }));
    exchange.Advance(round);
    EXPECT_NE(INVALID_SOCKET, socket.Handle(1)) << "the second address waits for the first's half second";
    ASSERT_TRUE(server.WaitForRequest(2000));

    Send("velkaro-two.test");
    const auto late = first.Take(2000);
    ASSERT_TRUE(late);
    ASSERT_TRUE(PumpUntil([&] { return server.RequestCount() == 2; }));
    first.Answer(FakeSntpServer::AnswerTo(*late, 0));
    ASSERT_TRUE(PumpUntil([&] { return Replied(); }));
    EXPECT_GE(round.reply()->elapsedMs, 500.0);
    EXPECT_FALSE(socket.IsOpen());  // the second address's request is given up
}

}  // namespace

namespace {

// Reads the report that a run shows, then closes it, from a second thread.
struct ReportReader {
    std::wstring text;
    double shownAfterMs = -1;
    int64_t start = PerformanceNow();
    static DWORD WINAPI Run(LPVOID self) {
        auto* r = static_cast<ReportReader*>(self);
        for (int i = 0; i < 1000; ++i) {
            HWND d = FindWindowW(L"#32770", L"時刻の同期");
            if (d && IsWindowVisible(d)) {  // shown only once it is filled
                r->shownAfterMs = MillisecondsSince(r->start);
                wchar_t buffer[512] = L"";
                GetDlgItemTextW(d, IDC_RESULT_MESSAGE, buffer, 512);
                r->text = buffer;
                PostMessageW(d, WM_COMMAND, IDOK, 0);
                return 0;
            }
            Sleep(3);
        }
        return 0;
    }
};

// Takes a step on a thread of its own as soon as the next request is on the wire.
struct OnNextRequest {
    FakeSntpServer* server;
    std::function<void(const SntpRequest&)> step;
    static DWORD WINAPI Run(LPVOID self) {
        auto* o = static_cast<OnNextRequest*>(self);
        if (const auto request = o->server->WaitForRequest(2000)) o->step(*request);
        return 0;
    }
};

// Waits for the helper threads, each of which ends by its own deadline: none may outlive the
// test whose stack it uses.
void Join(std::initializer_list<HANDLE> threads) {
    for (HANDLE t : threads) {
        ASSERT_NE(nullptr, t);
        WaitForSingleObject(t, INFINITE);
        CloseHandle(t);
    }
}

// A menu run, its report read (and closed) on a second thread, the step on a third when given.
ReportReader MenuRun(SyncRun& run, OnNextRequest* onRequest = nullptr) {
    ReportReader reader;
    const HANDLE stepping = onRequest ? CreateThread(nullptr, 0, OnNextRequest::Run, onRequest, 0, nullptr) : nullptr;
    const HANDLE reading = CreateThread(nullptr, 0, ReportReader::Run, &reader, 0, nullptr);
    run.SyncSystemTime(SyncTrigger::Menu, "127.0.0.1");
    if (stepping) Join({stepping});
    Join({reading});
    return reader;
}

TEST_F(SntpExchangeTest, SocketErrorDuringTheWaitEndsTheRunAtOnceWithItsText) {
    OnNextRequest poster{&server, [&](const SntpRequest&) {
        PostMessageW(window.hwnd(), WM_APP + 1, WPARAM(socket.Handle()), WSAMAKESELECTREPLY(FD_READ, WSAENETRESET));
    }};
    const ReportReader reader = MenuRun(run, &poster);
    EXPECT_EQ(0u, reader.text.find(L"通信エラー No.10052: ")) << WideToUtf8(reader.text);
    EXPECT_GE(reader.shownAfterMs, 0);
    EXPECT_LT(reader.shownAfterMs, 1000);  // before the time-out would have ended the run
}

TEST_F(SntpExchangeTest, NoRunStartsOnceTheEndHasBegun) {
    run.CancelTimeSync();
    EXPECT_FALSE(run.SyncSystemTime(SyncTrigger::Periodic, "127.0.0.1"));
    EXPECT_FALSE(server.WaitForRequest(200));
}

TEST_F(SntpExchangeTest, LateReplyOfATimedOutRunNeverSetsTheNextRun) {
    const ReportReader first = MenuRun(run);  // the manual server stays silent: time-out
    EXPECT_GE(first.shownAfterMs, 1000);
    EXPECT_EQ(L"時刻の同期に失敗しました。\r\n\r\nNTPサーバー '127.0.0.1' の応答がありません。", first.text);
    EXPECT_FALSE(socket.IsOpen());  // closed at the time-out
    const auto timedOut = server.WaitForRequest(100);
    ASSERT_TRUE(timedOut);

    // The next run gets the first run's answer, two years ahead (a time the system refuses),
    // on its own port, and then its own answer.
    OnNextRequest answerer{&server, [&](const SntpRequest& next) {
        server.SendTo(next, FakeSntpServer::AnswerTo(*timedOut, 2LL * 365 * 86400 * 1000));
        Sleep(50);
        server.SendTo(next, FakeSntpServer::AnswerTo(next, 0));
    }};
    const ReportReader second = MenuRun(run, &answerer);
    EXPECT_EQ(0u, second.text.find(L"システムの時刻を '127.0.0.1' と同期しました。")) << WideToUtf8(second.text);
}

}  // namespace
