// The look-up of a server's name on the system's threads, never the window's.
#include "timesync/name_lookup.h"

#include <ws2tcpip.h>

#include <cstring>

#include "common/text_encoding.h"

struct NameLookup::State {
    // First: the completion finds the state from its OVERLAPPED.
    OVERLAPPED overlapped{};
    LONG references = 2;  // the lookup's and the completion's (or the thread's)
    HANDLE done = nullptr;
    ADDRINFOEXW* found = nullptr;
    HANDLE cancel = nullptr;
    std::wstring host, port;
    std::vector<SocketAddress> addresses;

    void Release() {
        if (InterlockedDecrement(&references) != 0) return;
        CloseHandle(done);
        delete this;
    }
    template <class AddressInfo>
    void Take(const AddressInfo* list) {
        // (Some headers give the extended list's link another type of the same layout.)
        for (auto a = list; a && addresses.size() < kMostAddresses; a = reinterpret_cast<const AddressInfo*>(a->ai_next)) {
            if (a->ai_addrlen > sizeof(sockaddr_storage)) continue;
            SocketAddress& address = addresses.emplace_back();
            std::memcpy(&address.address, a->ai_addr, a->ai_addrlen);
            address.length = int(a->ai_addrlen);
        }
    }
    // The answer is there (the addresses, or none): the waiting run may read them.
    void Finish() {
        if (found) FreeAddrInfoExW(found);
        found = nullptr;
        SetEvent(done);
        Release();
    }
};

namespace {

template <class Hints>
Hints DatagramHints() {
    Hints hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    hints.ai_protocol = IPPROTO_UDP;
    return hints;
}

void CALLBACK LookedUp(DWORD error, DWORD, LPWSAOVERLAPPED overlapped) {
    auto* state = reinterpret_cast<NameLookup::State*>(overlapped);
    if (error == NO_ERROR) state->Take(state->found);
    state->Finish();
}

// Where Windows cannot look a name up asynchronously (before Windows 8).
DWORD WINAPI LookUpOnThread(void* parameter) {
    auto* state = static_cast<NameLookup::State*>(parameter);
    const addrinfoW hints = DatagramHints<addrinfoW>();
    addrinfoW* found = nullptr;
    if (GetAddrInfoW(state->host.c_str(), state->port.c_str(), &hints, &found) == 0) {
        state->Take(found);
        FreeAddrInfoW(found);
    }
    state->Finish();
    return 0;
}

}  // namespace

NameLookup::NameLookup(const std::string& host, int port) : state_(new State) {
    state_->done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    state_->host = Utf8ToWide(host);
    state_->port = std::to_wstring(port);
    if (!state_->done || host.empty()) {
        state_->references = 1;
        if (state_->done) SetEvent(state_->done);
        return;
    }
    const ADDRINFOEXW hints = DatagramHints<ADDRINFOEXW>();
    const INT started = GetAddrInfoExW(state_->host.c_str(), state_->port.c_str(), NS_ALL, nullptr, &hints,
                                       &state_->found, nullptr, &state_->overlapped,
                                       reinterpret_cast<LPLOOKUPSERVICE_COMPLETION_ROUTINE>(&LookedUp), &state_->cancel);
    if (started == WSA_IO_PENDING) return;
    switch (started) {
    case NO_ERROR:  // answered at once, without the completion
        state_->Take(state_->found);
        state_->Finish();
        break;
    case WSAHOST_NOT_FOUND:
    case WSANO_DATA:
        state_->Finish();
        break;
    default:  // no asynchronous look-up here: a thread of its own waits for the answer
        if (state_->found) FreeAddrInfoExW(state_->found);
        state_->found = nullptr;
        if (const HANDLE thread = CreateThread(nullptr, 0, LookUpOnThread, state_, 0, nullptr)) CloseHandle(thread);
        else state_->Finish();
    }
}

NameLookup::~NameLookup() { state_->Release(); }

HANDLE NameLookup::Event() const { return state_->done; }

bool NameLookup::Done() const { return !state_->done || WaitForSingleObject(state_->done, 0) == WAIT_OBJECT_0; }

std::vector<SocketAddress> NameLookup::Addresses() const { return Done() ? state_->addresses : std::vector<SocketAddress>{}; }
