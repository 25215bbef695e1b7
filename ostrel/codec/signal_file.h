// Reading and writing IR signal files, the text files ir-ctl sends and
// records, as bytes in and bytes out. Reading is strict: a line it does not
// understand fails the file, since a signal sent wrong is worse than none.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "ostrel/codec/kernel_limits.h"
#include "ostrel/codec/ir_signal.h"

namespace ostrel {

// Files larger than this are refused unread: no signal a LIRC device can
// send needs more than a few kilobytes.
constexpr size_t largestSignalFile = 1u << 20;

// The forms a signal file is read in (parseSignalFile).
enum class SignalForm { keywords, list, pronto, flipper };

struct SignalFileReading {
    Signal signal;  // the signal read, when ok()
    SignalForm form = SignalForm::keywords;  // the form it was read in, when ok()
    // "<file>:<line>: <reason>", or "<file>: <reason>" when the reason is about
    // the file as a whole (too large, no pulse in it); empty when ok().
    std::string error;
    size_t line = 0;     // 1-based line the error is on; 0 for the whole file
    std::string reason;  // the error without file name and line

    bool ok() const { return error.empty(); }
};

// Reads a signal file in any of these forms:
// - ir-ctl's keywords, one a line: "pulse N", "space N", "timeout N" (a
//   space), "carrier N" and "scancode PROTOCOL:VALUE" (protocols/scancode.h);
//   pulses or spaces in a row are added together, leading spaces and a
//   trailing space are dropped. A scancode sends its protocol's frames
//   (protocols/scancode_encoding.h), kept from a pulse before or after them
//   by 125 ms, as ir-ctl keeps scancodes apart, unless a space line stands
//   there. A file whose pulses all come from scancodes of one carrier has
//   that carrier unless it names one;
// - ir-ctl's list: "+N -N +N ..." (or bare numbers, alternating pulse and
//   space), any number a line, separated by blanks or commas; a trailing
//   space is dropped. A list has no carrier;
// - Pronto hex (pronto_form.cpp): the sequence sent once, then the repeat
//   sequence once, at the code's carrier (a 0100 code: unmodulated), or a
//   short form's code as its protocol's scancode;
// - a Flipper Zero IR file of one signal (flipper_form.cpp), with its
//   carrier and duty cycle.
// The first line that is not blank or a comment decides the form: a keyword,
// a sign, "Filetype:", or a Pronto code's first word (a format, or four hex
// digits with a letter) in a file that does not read as a list. N is a decimal number from 1 to
// longestDuration. Comments start with "#" or "//", on a line of their own
// or as a word after the values. CRLF line ends and a UTF-8 byte order mark
// are accepted. fileName only names the file in the error.
SignalFileReading parseSignalFile(std::string_view text, std::string_view fileName);

// The keyword form: "carrier N" when the signal has a carrier, then one
// "pulse N" or "space N" line per duration, each ended by "\n". The signal
// must be well formed (isWellFormed), modulated and without a duty cycle,
// which the keyword form cannot hold, as a recording is; what is written then
// reads back to the same signal, here and in ir-ctl --send.
std::string formatSignalFile(const Signal& signal);

// A recording: as formatSignalFile writes it, after a first line that says
// what the signal decodes as, when it does (protocols/scancode_decoding.h):
// "# scancode nec:0x408", and for a protocol with a toggle bit
// "# scancode rc5:0x1e01 # toggle 1". Without its "# " the line is one that
// sends the scancode; the toggle stays a comment, since an encoder always
// sends toggle 0, while the durations that follow repeat the toggle received.
std::string formatRecording(const Signal& signal);

}  // namespace ostrel
