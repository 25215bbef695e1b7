#include "irsignal/output/keyword_file.h"

#include "irsignal/output/signal_text.h"
#include "ostrel/codec/protocols/scancode_encoding.h"
#include "ostrel/codec/signal_file.h"
#include "ostrel/codec/text_scanning.h"
#include "ostrel/codec/transmission_plan.h"

namespace irsignal {

namespace {

constexpr uint32_t irplayDefaultCarrier = 38000;

KeywordFile refused(std::string reason) {
    KeywordFile file;
    file.refusal = std::move(reason);
    return file;
}

}  // namespace

KeywordFile keywordFileOf(const CatalogEntry& entry, std::string_view sourceName) {
    if (!entry.refusal.empty()) {
        return refused(oneLine(entry.refusal));
    }
    if (entry.signal.durations.empty()) {
        return refused("no pulse in the signal");
    }
    if (entry.signal.carrier == ostrel::unmodulated) {
        return refused("an unmodulated signal (carrier 0), which the keyword form cannot hold");
    }
    ostrel::Signal sent = entry.signal;
    sent.carrier = sent.carrier.value_or(irplayDefaultCarrier);
    sent.dutyCycle.reset();
    // The scancode line only where it sends these very durations.
    bool scancodeLine =
        entry.scancode && ostrel::protocols::encodeScancode(*entry.scancode) == sent.durations;

    std::string text = "# " + std::string(sourceName) + ": " + ostrel::text::printable(entry.form) + "\n";
    if (entry.signal.dutyCycle) {
        text += "# duty cycle " + std::to_string(*entry.signal.dutyCycle) +
                " %, which this form cannot hold: the device sends at its own\n";
    }
    if (scancodeLine) {
        text += "carrier " + std::to_string(*sent.carrier) + "\n";
        text += "scancode " + ostrel::protocols::formatScancode(*entry.scancode) + "\n";
    } else {
        if (std::optional<std::string> decoded = decodedText(sent.durations)) {
            text += "# decodes as " + *decoded + "\n";
        }
        text += ostrel::formatSignalFile(sent);
    }

    // What irplay's library makes of it.
    ostrel::SignalFileReading reading = ostrel::parseSignalFile(text, "the extracted file");
    if (!reading.ok()) {
        return refused(reading.reason);
    }
    if (reading.signal != sent) {
        return refused("the keyword form does not hold this signal as it is");
    }
    ostrel::TransmissionPlan plan = ostrel::planTransmission(reading.signal);
    if (!plan.ok()) {
        return refused("irplay would refuse it: " + plan.refusal);
    }
    KeywordFile file;
    file.text = std::move(text);
    return file;
}

}  // namespace irsignal
