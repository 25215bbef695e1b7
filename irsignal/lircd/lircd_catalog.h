// The buttons of a lircd.conf, each with what LIRC's daemon sends for
// SEND_ONCE REMOTE BUTTON, as LIRC's own reader and sender (liblirc) make it.
#pragma once

#include <string>
#include <string_view>

#include "irsignal/catalog/catalog.h"

namespace irsignal {

// The catalog of the lircd.conf `text`, read from `path` (which names it in
// errors; the file itself is not opened). Each button is named
// REMOTE:BUTTON, and also BUTTON alone when the file holds one remote; a
// name met again gets "#2", "#3", ... A button whose code LIRC cannot send,
// or sends other than the file means, carries the refusal. A text that LIRC
// refuses, or whose reading needs more than this one file, gives the error
// "FILE:LINE: reason", or "FILE: reason" where no line can be named.
//
// liblirc keeps its state in globals: calls are taken one at a time.
Catalog readLircdConf(const std::string& path, std::string_view text);

}  // namespace irsignal
