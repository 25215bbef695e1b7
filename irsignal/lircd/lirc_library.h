// LIRC's own lircd.conf reader (liblirc, LIRC 0.10), used from C++.
//
// liblirc keeps its state in globals: its log (syslog by default), its one
// send buffer, the remote being repeated. Every use of it goes through a
// LircSession, one at a time in the process, which sends liblirc's log into
// a buffer of its own instead of syslog or a terminal, so that its messages
// can be turned into ours, and puts the log back as it was afterwards.
#pragma once

#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

struct ir_remote;

namespace irsignal::lircd {

class LircSession {
public:
    LircSession();
    ~LircSession();
    LircSession(const LircSession&) = delete;
    LircSession& operator=(const LircSession&) = delete;

    // The error messages liblirc logged since the session began or since this
    // was last called, oldest first, without their time stamps.
    std::vector<std::string> takeErrors();

private:
    void openLog();
    std::string closeLog();

    std::unique_lock<std::mutex> lock_;
    FILE* savedLog_ = nullptr;
    int savedLevel_ = 0;
    bool savedSyslog_ = false;
    FILE* log_ = nullptr;
    char* logText_ = nullptr;
    size_t logSize_ = 0;
};

struct RemotesDeleter {
    void operator()(ir_remote* remotes) const;
};
// Remotes as liblirc's read_config gives them: a list through ir_remote::next.
using RemoteList = std::unique_ptr<ir_remote, RemotesDeleter>;

// LIRC's reading of the text of the lircd.conf at `path`, as its daemon reads
// it at start. Empty when LIRC refuses the text (its reasons are then in
// session.takeErrors()) or when the text defines no remote. The remotes come
// in LIRC's order, which sorts them by their length of code.
RemoteList readRemotes(LircSession& session, std::string_view text, const std::string& path);

// Points liblirc's send buffer at its own storage. It can be left pointing
// at the timings of the raw code sent last, which liblirc reads again when it
// sends a repeat code, or writes into for a remote named "lirc": from this
// call on, those reads and writes stay within the buffer.
void resetSendBuffer();

}  // namespace irsignal::lircd
