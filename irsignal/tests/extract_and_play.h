// A signal taken out of its file by `irsignal extract SIGNAL -o FILE` and
// played by `irplay -i FILE` on the emulated device, against what the
// catalog says the signal sends: the tests of each reader run every signal
// they check through both programs this way.
//
// Built into a test with IRSIGNAL, IRPLAY and LIRC_EMULATOR_LIBRARY defined
// as the paths of the build's programs and of the emulated device.
#pragma once

#include <string>

#include "ostrel/codec/ir_signal.h"

namespace irsignal {

// Empty when irsignal extracted the signal, irplay played it ("Play
// successfull !") and the device took exactly the writes irplay's library
// cuts `expected` into, each at its carrier (38000 Hz when it names none);
// else what went wrong. Runs in `folder`, which it fills.
std::string extractAndPlay(const std::string& folder, const std::string& signal, const ostrel::Signal& expected);

// Empty when `irsignal extract SIGNAL -o FILE` exits 1 with a line that
// holds `refusal` and leaves no FILE behind; else what it did instead.
std::string extractRefuses(const std::string& folder, const std::string& signal, const std::string& refusal);

}  // namespace irsignal
