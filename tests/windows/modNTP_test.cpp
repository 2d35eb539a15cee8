// One SNTP exchange on the clock window's socket, against a server on 127.0.0.1:123.
#include <gtest/gtest.h>

#include "../support/fake_sntp.h"
#include "app/frmMain.h"
#include "common/win32.h"
#include "resource.h"
#include "timesync/modNTP.h"

namespace {

// The clock window, loaded once for these tests: its socket delivers the events.
class SntpExchange : public testing::Test {
protected:
    static void SetUpTestSuite() {
        static FrmMain form;
        if (!frmMain) {
            frmMain = &form;
            ASSERT_TRUE(form.Load(GetModuleHandleW(nullptr)));
        }
    }
    void SetUp() override {
        ASSERT_TRUE(frmMain);
        ASSERT_TRUE(server.Start(FakeSntpServer::Mode::Manual)) << "bind 127.0.0.1:123: " << WSAGetLastError();
        NTPReplyUTC.clear();
        NTPErrorText.clear();
    }
    void TearDown() override { frmMain->Winsock1.Close(); }
    // Lets the window process its messages for a while, as a run's wait does.
    static void Pump(int ms) {
        const ULONGLONG end = GetTickCount64() + ms;
        while (GetTickCount64() < end) {
            PumpMessages();
            Sleep(5);
        }
    }
    FakeSntpServer server;
};

TEST_F(SntpExchange, RequestOnTheWireAndTheRepliesThatCount) {
    ASSERT_TRUE(SendSntpRequest("127.0.0.1"));
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
    EXPECT_TRUE(NTPReplyUTC.empty()) << "took a datagram that is not the reply: " << NTPReplyUTC;
    EXPECT_TRUE(frmMain->Winsock1.IsOpen());

    // the reply itself: the time two years ahead, to tell it from the clock's own
    answer = FakeSntpServer::AnswerTo(*request, 2LL * 365 * 86400 * 1000);
    answer[1] = 2;
    server.SendTo(*request, answer);
    Pump(300);
    SYSTEMTIME now;
    GetSystemTime(&now);
    ASSERT_FALSE(NTPReplyUTC.empty());
    EXPECT_EQ(std::to_string(now.wYear + 2) + "/", NTPReplyUTC.substr(0, 5));
    EXPECT_EQ(19u, NTPReplyLocal.size());
    EXPECT_EQ(2, NTPStratum);
    EXPECT_EQ(6, NTPPoll);
    EXPECT_EQ(236, NTPPrecision);
    EXPECT_EQ(0, NTPHoldTime);
    EXPECT_FALSE(frmMain->Winsock1.IsOpen());  // only the first reply is taken
}

TEST_F(SntpExchange, ReplyWithoutUsableTimeLeavesItsReport) {
    ASSERT_TRUE(SendSntpRequest("127.0.0.1"));
    auto request = server.WaitForRequest(2000);
    ASSERT_TRUE(request);
    server.SendTo(*request, FakeSntpServer::AnswerTo(*request, 0, /*stratum=*/0));
    Pump(300);
    EXPECT_TRUE(NTPReplyUTC.empty());
    EXPECT_EQ("時刻の同期に失敗しました。\r\n\r\nNTPサーバー '127.0.0.1' の応答に有効な時刻が含まれていません。", NTPErrorText);
    EXPECT_FALSE(frmMain->Winsock1.IsOpen());
}

TEST_F(SntpExchange, ErrorEventClosesTheSocketAndLeavesItsText) {
    ASSERT_TRUE(SendSntpRequest("127.0.0.1"));
    ASSERT_TRUE(frmMain->Winsock1.IsOpen());
    // An asynchronous error as the system reports it to the window.
    PostMessageW(frmMain->hwnd(), WM_APP + 1, WPARAM(frmMain->Winsock1.Handle()), WSAMAKESELECTREPLY(FD_READ, WSAENETDOWN));
    Pump(100);
    EXPECT_FALSE(frmMain->Winsock1.IsOpen());
    EXPECT_EQ(0u, NTPErrorText.find("通信エラー No.10050: ")) << NTPErrorText;
    EXPECT_GT(NTPErrorText.size(), std::string("通信エラー No.10050: ").size());  // with the system's description
}

TEST_F(SntpExchange, SendFailureNamesTheServer) {
    EXPECT_FALSE(SendSntpRequest(""));
    EXPECT_EQ("時刻の同期に失敗しました。\r\n\r\nNTPサーバー '' と正常に通信できません。", NTPErrorText);
    NTPErrorText.clear();
    EXPECT_FALSE(SendSntpRequest("no-such-host.invalid"));
    EXPECT_EQ("時刻の同期に失敗しました。\r\n\r\nNTPサーバー 'no-such-host.invalid' と正常に通信できません。", NTPErrorText);
}

TEST_F(SntpExchange, LiteralIpv6AddressIsAccepted) {
    EXPECT_TRUE(SendSntpRequest("::1"));  // nobody answers there; the send itself works
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
    static DWORD WINAPI Run(LPVOID self) {
        auto* e = static_cast<ErrorAfterRequest*>(self);
        if (e->server->WaitForRequest(2000))
            PostMessageW(frmMain->hwnd(), WM_APP + 1, WPARAM(frmMain->Winsock1.Handle()),
                         WSAMAKESELECTREPLY(FD_READ, WSAENETRESET));
        return 0;
    }
};

TEST_F(SntpExchange, SocketErrorDuringTheWaitEndsTheRunAtOnceWithItsText) {
    ErrorAfterRequest poster{&server};
    ReportReader reader;
    HANDLE threads[2] = {CreateThread(nullptr, 0, ErrorAfterRequest::Run, &poster, 0, nullptr),
                         CreateThread(nullptr, 0, ReportReader::Run, &reader, 0, nullptr)};
    SyncSystemTime(true, "127.0.0.1");
    WaitForMultipleObjects(2, threads, TRUE, 5000);
    CloseHandle(threads[0]);
    CloseHandle(threads[1]);
    EXPECT_EQ(0u, reader.text.find(L"通信エラー No.10052: ")) << WideToUtf8(reader.text);
    EXPECT_GE(reader.shownAfterMs, 0);
    EXPECT_LT(reader.shownAfterMs, 600);  // not the time-out a second later
}

TEST_F(SntpExchange, LateReplyOfATimedOutRunNeverSetsTheNextRun) {
    ReportReader first;
    HANDLE reader = CreateThread(nullptr, 0, ReportReader::Run, &first, 0, nullptr);
    SyncSystemTime(true, "127.0.0.1");  // the manual server stays silent: time-out
    WaitForSingleObject(reader, 5000);
    CloseHandle(reader);
    EXPECT_EQ(L"時刻の同期に失敗しました。\r\n\r\nNTPサーバー '127.0.0.1' の応答がありません。", first.text);
    EXPECT_GE(first.shownAfterMs, 1000);
    EXPECT_FALSE(frmMain->Winsock1.IsOpen());  // closed at the time-out
    auto request = server.WaitForRequest(100);
    ASSERT_TRUE(request);
    server.SendTo(*request, FakeSntpServer::AnswerTo(*request, 0));  // too late: nobody takes it
    Pump(200);
    EXPECT_TRUE(NTPReplyUTC.empty());
}

}  // namespace
