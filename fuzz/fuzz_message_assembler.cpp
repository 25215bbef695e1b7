// Fuzzes the assembly of recorded messages: the input, read as little-endian
// u32 LIRC mode2 samples, is what a receiver reported; after the last one the
// receiver goes quiet. Whatever it reported, the assembler fails with a reason
// or completes a message that a LIRC device could send back and that is
// written to a signal file which reads back to the same message.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_check.h"
#include "ostrel/codec/message_assembler.h"

namespace {

using State = ostrel::MessageAssembler::State;

bool finished(State state) { return state == State::complete || state == State::failed; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ostrel::MessageAssembler assembler;
    State before = assembler.state();
    fuzz::check(before == State::waiting, "a new assembler waits");
    ostrel::Signal finishedWith;
    for (size_t at = 0; at + 4 <= size; at += 4) {
        uint32_t sample = uint32_t{data[at]} | uint32_t{data[at + 1]} << 8 |
                          uint32_t{data[at + 2]} << 16 | uint32_t{data[at + 3]} << 24;
        State state = assembler.feed(sample);
        fuzz::check(state == assembler.state(), "feed returns the state");
        if (finished(before)) {
            fuzz::check(state == before && assembler.message() == finishedWith,
                        "a finished assembler changes no more");
        } else if (finished(state)) {
            finishedWith = assembler.message();
        }
        before = state;
    }
    State state = assembler.quiet();
    fuzz::check(state == assembler.state(), "quiet returns the state");
    fuzz::check(state != State::inMessage, "a begun message is complete when quiet");
    fuzz::check(!finished(before) || state == before, "quiet changes a finished assembler not");

    const ostrel::Signal& message = assembler.message();
    if (state == State::failed) {
        fuzz::check(!assembler.failure().empty(), "a failure gives a reason");
        fuzz::check(message == ostrel::Signal{}, "a failure gives no message");
        return 0;
    }
    fuzz::check(assembler.failure().empty(), "no reason without a failure");
    if (state == State::waiting) {
        fuzz::check(message.durations.empty(), "no message before the first pulse");
        return 0;
    }
    fuzz::check(!message.durations.empty(), "a message has a pulse");
    fuzz::checkSendable(message);
    fuzz::check(fuzz::checkPlan(message), "a message plays back");
    for (size_t i = 1; i < message.durations.size(); i += 2) {
        fuzz::check(message.durations[i] <= ostrel::messageEndingQuiet,
                    "no space inside a message ends one", std::to_string(message.durations[i]));
    }
    fuzz::checkReadsBack(message);
    fuzz::checkDecoding(message);
    return 0;
}
