// LIRC's irsimsend as the oracle of what LIRC's daemon sends. irsimsend reads
// a lircd.conf with LIRC's reader, sends a button with LIRC's sender and its
// file driver writes each send into simsend.out, in its working folder: a
// "pulse N" or "space N" line a duration, and after each send the space the
// remote leaves before the next. It sends no repeats unless told: -c COUNT
// sends the code, then COUNT - 1 repeats, as SEND_ONCE does with COUNT - 1
// repeats due.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct SimsendResult {
    std::vector<uint32_t> durations;  // without the space after the last send
    std::string error;                // why there are none
};

bool irsimsendInstalled();

// `irsimsend -k BUTTON -c COUNT remote.conf` of the lircd.conf text `conf`, in
// the folder (which it fills with its output and log).
SimsendResult simsend(const std::string& folder, const std::string& conf, const std::string& button, size_t count);

// The text of each "begin remote" ... "end remote" of a lircd.conf written for
// the tests, by its name: irsimsend -k finds buttons in the first remote only.
struct RemoteText {
    std::string name;
    std::string text;
};
std::vector<RemoteText> remoteTextsOf(const std::string& conf);
