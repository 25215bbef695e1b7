// The last step of every reader of a form: an entry whose signal irplay
// would refuse (a pulse longer than one write, over 60 s in all) is made one
// that cannot be sent, with the reason, so that list shows it and extract
// writes nothing for it, whatever the form it came from.
#pragma once

#include <vector>

#include "irsignal/catalog/catalog.h"
#include "ostrel/codec/ir_signal.h"
#include "ostrel/codec/transmission_plan.h"

namespace irsignal {

inline void refuseIfUnsendable(CatalogEntry& entry) {
    if (entry.refusal.empty()) {
        if (!ostrel::isWellFormed(entry.signal)) {
            entry.refusal = "no signal a LIRC device sends";
        } else if (ostrel::TransmissionPlan plan = ostrel::planTransmission(entry.signal); !plan.ok()) {
            entry.refusal = "irplay would refuse it: " + plan.refusal;
        }
    }
    if (!entry.refusal.empty()) {
        entry.signal = {};
        entry.frames = 0;
        entry.scancode.reset();
    }
}

inline void refuseUnsendable(std::vector<CatalogEntry>& entries) {
    for (CatalogEntry& entry : entries) {
        refuseIfUnsendable(entry);
    }
}

}  // namespace irsignal
