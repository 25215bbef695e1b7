#include "irsignal/lircd/lirc_library.h"

#include <cstdlib>
#include <cstring>

// liblirc's headers use FILE without including <stdio.h>.
#include <cstdio>
#include <lirc/config_file.h>
#include <lirc/ir_remote.h>
#include <lirc/lirc_log.h>
#include <lirc/transmit.h>

// The stream liblirc's logprintf writes to when it does not use syslog
// (lirc_log.c), exported by liblirc.so.0 but not declared in its headers.
extern "C" FILE* lf;

namespace irsignal::lircd {
namespace {

std::mutex& lircLock() {
    static std::mutex lock;
    return lock;
}

// What logprintf puts before a message of level LIRC_ERROR: a time stamp,
// the host's and the program's names, then this.
constexpr std::string_view errorMark = ": Error: ";

}  // namespace

LircSession::LircSession() : lock_(lircLock()) {
    savedLog_ = lf;
    savedLevel_ = loglevel;
    savedSyslog_ = lirc_log_use_syslog() != 0;
    // Any name but "syslog" turns syslog off; the file itself is opened only
    // by lirc_log_open, which is never called.
    lirc_log_set_file("/dev/null");
    loglevel = LIRC_ERROR;
    openLog();
}

LircSession::~LircSession() {
    closeLog();
    lf = savedLog_;
    loglevel = static_cast<loglevel_t>(savedLevel_);
    if (savedSyslog_) {
        lirc_log_set_file("syslog");
    }
}

void LircSession::openLog() {
    logText_ = nullptr;
    logSize_ = 0;
    log_ = open_memstream(&logText_, &logSize_);
    lf = log_;  // without memory for it, liblirc logs nothing
}

std::string LircSession::closeLog() {
    std::string text;
    if (log_ != nullptr) {
        fclose(log_);
        if (logText_ != nullptr) {
            text.assign(logText_, logSize_);
        }
    }
    free(logText_);
    log_ = nullptr;
    logText_ = nullptr;
    lf = nullptr;
    return text;
}

std::vector<std::string> LircSession::takeErrors() {
    std::string text = closeLog();
    openLog();
    std::vector<std::string> errors;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string_view line(text.data() + start, end - start);
        size_t mark = line.find(errorMark);
        if (mark != std::string_view::npos) {
            errors.emplace_back(line.substr(mark + errorMark.size()));
        }
        start = end + 1;
    }
    return errors;
}

void RemotesDeleter::operator()(ir_remote* remotes) const {
    // free_config frees all that read_config allocated but the value of a
    // remote's "driver" line.
    for (ir_remote* remote = remotes; remote != nullptr; remote = remote->next) {
        free(const_cast<char*>(remote->driver));
        remote->driver = nullptr;
    }
    free_config(remotes);
}

RemoteList readRemotes([[maybe_unused]] LircSession& session, std::string_view text, const std::string& path) {
    if (text.empty()) {
        return {};  // fmemopen takes no empty buffer, and LIRC finds no remote in it
    }
    // Opened for reading only, fmemopen never writes to the buffer.
    FILE* stream = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
    if (stream == nullptr) {
        logprintf(LIRC_ERROR, "out of memory");
        return {};
    }
    // liblirc works out each remote's signal lengths by sending every code
    // into its send buffer.
    resetSendBuffer();
    ir_remote* remotes = read_config(stream, path.c_str());
    fclose(stream);
    // On an error read_config returns (ir_remote*)-1, having freed what it read.
    if (remotes == reinterpret_cast<ir_remote*>(-1)) {
        return {};
    }
    return RemoteList(remotes);
}

void resetSendBuffer() {
    // The buffer points at its storage after liblirc sends a code that is not
    // raw: a simulated send (init_sim, which changes no state of the remote)
    // of a one-bit code of a remote of its own does that.
    static char remoteName[] = "irsignal";
    static char codeName[] = "bit";
    ir_remote remote{};
    remote.name = remoteName;
    remote.flags = SPACE_ENC;
    remote.bits = 1;
    remote.pzero = remote.szero = remote.pone = remote.sone = 1;
    remote.gap = 100000;
    ir_ncode code{};
    code.name = codeName;
    init_sim(&remote, &code, 0);
}

}  // namespace irsignal::lircd
