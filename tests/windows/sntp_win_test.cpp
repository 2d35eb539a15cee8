// One SNTP exchange on a socket, and the run around it, against a server on 127.0.0.1:123.
#include <gtest/gtest.h>

#include "../support/fake_sntp.h"
#include "common/message_pump.h"
#include "common/text_encoding.h"
#include "resource.h"
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
    bool Replied() const { return exchange.outcome() == SntpExchange::Outcome::Reply; }

    UdpSocket socket;
    SntpExchange exchange{socket};
    const bool topMost = false;
    SyncRun run{exchange, topMost};
    SocketWindow window;
    FakeSntpServer server;
};

TEST_F(SntpExchangeTest, RequestOnTheWireAndTheRepliesThatCount) {
    ASSERT_TRUE(exchange.SendSntpRequest("127.0.0.1"));
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
    Pump(300);
    SYSTEMTIME now;
    GetSystemTime(&now);
    ASSERT_TRUE(Replied());
    const SntpReply& reply = exchange.reply();
    EXPECT_EQ(now.wYear + 2, CivilFromUnixMs(reply.transmitUnixSeconds * 1000).year);
    EXPECT_EQ(2, reply.stratum);
    EXPECT_EQ(6, reply.poll);
    EXPECT_EQ(236, reply.precision);
    EXPECT_EQ(0, reply.hold);
    EXPECT_GE(exchange.takenAt(), exchange.sentAt());
    EXPECT_FALSE(socket.IsOpen());  // only the first reply is taken
}

TEST_F(SntpExchangeTest, ReplyWithoutUsableTimeLeavesItsReport) {
    ASSERT_TRUE(exchange.SendSntpRequest("127.0.0.1"));
    auto request = server.WaitForRequest(2000);
    ASSERT_TRUE(request);
    server.SendTo(*request, FakeSntpServer::AnswerTo(*request, 0, /*stratum=*/0));
    Pump(300);
    EXPECT_EQ(SntpExchange::Outcome::Failed, exchange.outcome());
    EXPECT_EQ("時刻の同期に失敗しました。\r\n\r\nNTPサーバー '127.0.0.1' の応答に有効な時刻が含まれていません。", exchange.errorText());
    EXPECT_FALSE(socket.IsOpen());
}

TEST_F(SntpExchangeTest, ErrorEventClosesTheSocketAndLeavesItsText) {
    ASSERT_TRUE(exchange.SendSntpRequest("127.0.0.1"));
    ASSERT_TRUE(socket.IsOpen());
    // An asynchronous error as the system reports it to the window.
    PostMessageW(window.hwnd(), WM_APP + 1, WPARAM(socket.Handle()), WSAMAKESELECTREPLY(FD_READ, WSAENETDOWN));
    Pump(100);
    EXPECT_FALSE(socket.IsOpen());
    const std::string& text = exchange.errorText();
    EXPECT_EQ(0u, text.find("通信エラー No.10050: ")) << text;
    EXPECT_GT(text.size(), std::string("通信エラー No.10050: ").size());  // with the system's description
}

TEST_F(SntpExchangeTest, SendFailureNamesTheServer) {
    for (const char* host : {"", "no-such-host.invalid", "[::1]:123", "127.0.0.1:123"}) {
        EXPECT_FALSE(exchange.SendSntpRequest(host)) << host;  // no port but 123
        EXPECT_EQ("時刻の同期に失敗しました。\r\n\r\nNTPサーバー '" + std::string(host) + "' と正常に通信できません。",
                  exchange.errorText());
    }
}

TEST_F(SntpExchangeTest, LiteralIpv6AddressIsAcceptedBareOrInBrackets) {
    for (const char* host : {"::1", "[::1]"})  // nobody answers there; the send itself works
        EXPECT_TRUE(exchange.SendSntpRequest(host)) << host;
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

// Posts a socket error to the clock window as soon as the request is on the wire.
struct ErrorAfterRequest {
    FakeSntpServer* server;
    HWND window;
    UdpSocket* socket;
    static DWORD WINAPI Run(LPVOID self) {
        auto* e = static_cast<ErrorAfterRequest*>(self);
        if (e->server->WaitForRequest(2000))
            PostMessageW(e->window, WM_APP + 1, WPARAM(e->socket->Handle()), WSAMAKESELECTREPLY(FD_READ, WSAENETRESET));
        return 0;
    }
};

TEST_F(SntpExchangeTest, SocketErrorDuringTheWaitEndsTheRunAtOnceWithItsText) {
    ErrorAfterRequest poster{&server, window.hwnd(), &socket};
    ReportReader reader;
    HANDLE threads[2] = {CreateThread(nullptr, 0, ErrorAfterRequest::Run, &poster, 0, nullptr),
                         CreateThread(nullptr, 0, ReportReader::Run, &reader, 0, nullptr)};
    run.SyncSystemTime(SyncTrigger::Menu, "127.0.0.1");
    WaitForMultipleObjects(2, threads, TRUE, 5000);
    CloseHandle(threads[0]);
    CloseHandle(threads[1]);
    EXPECT_EQ(0u, reader.text.find(L"通信エラー No.10052: ")) << WideToUtf8(reader.text);
    EXPECT_GE(reader.shownAfterMs, 0);
    EXPECT_LT(reader.shownAfterMs, 600);  // not the time-out a second later
}

TEST_F(SntpExchangeTest, LateReplyOfATimedOutRunNeverSetsTheNextRun) {
    ReportReader first;
    HANDLE reader = CreateThread(nullptr, 0, ReportReader::Run, &first, 0, nullptr);
    run.SyncSystemTime(SyncTrigger::Menu, "127.0.0.1");  // the manual server stays silent: time-out
    WaitForSingleObject(reader, 5000);
    CloseHandle(reader);
    EXPECT_EQ(L"時刻の同期に失敗しました。\r\n\r\nNTPサーバー '127.0.0.1' の応答がありません。", first.text);
    EXPECT_GE(first.shownAfterMs, 1000);
    EXPECT_FALSE(socket.IsOpen());  // closed at the time-out
    auto request = server.WaitForRequest(100);
    ASSERT_TRUE(request);
    server.SendTo(*request, FakeSntpServer::AnswerTo(*request, 0));  // too late: nobody takes it
    Pump(200);
    EXPECT_FALSE(Replied());
}

}  // namespace
