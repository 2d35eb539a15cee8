// The addresses of a server's name, looked up off the window's thread: the window paints and
// answers while the name service takes its time.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <string>
#include <vector>

#include "timesync/udp_socket.h"

class NameLookup {
public:
    // Starts looking the host up (a name, or a literal IPv4 or IPv6 address): GetAddrInfoExW with
    // a completion where Windows has it, GetAddrInfoW on a thread of its own where it has not.
    NameLookup(const std::string& host, int port);
    // Gives the look-up up: an answer that comes later is dropped.
    ~NameLookup();
    NameLookup(const NameLookup&) = delete;
    NameLookup& operator=(const NameLookup&) = delete;

    // Signalled once the answer is there.
    HANDLE Event() const;
    // Once done: IPv6 and IPv4, in the order the system gives them, at most kMostAddresses; none
    // when the name was not found.
    std::vector<SocketAddress> Addresses() const;

    struct State;

private:
    bool Done() const;
    State* state_ = nullptr;  // shared with the completion or the thread, which may outlive this
};
