// What a page tells the technician beside its controls: the status line, the marks of each
// row, and the values that closing would keep out of the radio.
#include "softpot/engine/softpot_group.h"

namespace korvelo {

namespace {
std::string rowName(const SoftpotRow& r) {
    return std::string(r.desc->group) + ", point " + std::to_string(r.desc->point);
}
} // namespace

bool SoftpotGroup::isPending(const SoftpotRow& r) const {
    // A step kept during an operation is no typed number: it is committed when that ends.
    if (r.controls.working == r.workingText || isKept(static_cast<int>(&r - rows_.data())))
        return false;
    const std::optional<long> typed = page_.scale.read(r.controls.working);
    return typed && page_.scale.clamp(*typed) != page_.scale.parse(r.workingText);
}

std::string SoftpotGroup::pendingText() const {
    const SoftpotRow* row = nullptr;
    if (lastTypedRow_ && isPending(this->row(*lastTypedRow_)))
        row = &this->row(*lastTypedRow_);
    for (const SoftpotRow& r : rows_)
        if (!row && isPending(r))
            row = &r;
    if (!row)
        return {};
    const int value = page_.scale.clamp(*page_.scale.read(row->controls.working));
    return "Press Enter to use " + page_.scale.format(value) + " for " + rowName(*row) + ".";
}

int SoftpotGroup::unprogrammedCount() const {
    if ((page_.ownProgram && !programEnabled_) || !env_.session.flags.imageLoaded ||
        !env_.session.flags.inTunerMode)
        return 0;
    int n = 0;
    for (const SoftpotRow& r : rows_) {
        const bool entered =
            page_.scale.parse(r.workingText) != page_.scale.parse(r.controls.defaultSoftpot);
        if (entered || isPending(r))
            ++n;
    }
    return n;
}

RowMarks SoftpotGroup::marks(int row) const {
    const SoftpotRow& r = this->row(row);
    const ValueScale& scale = page_.scale;
    auto outside = [&scale](const std::string& text) {
        const long v = scale.parse(text);
        return v != scale.clamp(v);
    };
    RowMarks m;
    m.pending = isPending(r);
    m.storedOutOfRange = outside(r.controls.defaultSoftpot);
    m.workingOutOfRange = outside(r.controls.working);
    if (m.storedOutOfRange) {
        m.note = "The stored value " + r.controls.defaultSoftpot + " is outside the range " +
                 scale.format(0) + ".." + scale.format(scale.max) +
                 " of this page; the row sends it to the radio as it is until you change it.";
    }
    if (m.pending) {
        if (!m.note.empty())
            m.note += "\n";
        m.note += "Typed, not entered: press Enter to use " +
                  scale.format(scale.clamp(*scale.read(r.controls.working))) + ".";
    }
    return m;
}

std::string SoftpotGroup::statusText() const {
    std::string text = pageStatus();
    // The last ten seconds before the watchdog unkeys.
    if (const auto left = secondsToUnkey(); left && *left <= 10 && !offUnconfirmed_)
        text +=
            " The transmitter is unkeyed in " + std::to_string(*left) + " s to protect the radio.";
    return text;
}

std::string SoftpotGroup::pageStatus() const {
    const RadioStateFlags& flags = env_.session.flags;
    if (!flags.imageLoaded)
        return "No tuning image: run File > Tuning Init (or open a tuning file) first.";
    if (!flags.inTunerMode)
        return "The radio is not in tuner mode: run File > Tuning Init to align it.";
    if (offUnconfirmed_)
        return "The radio did not confirm PTT off: the transmitter may still be on.";
    if (unkeyedByWatchdog_)
        return "Transmitter unkeyed after " +
               std::to_string(GuardOptions::clampTransmitLimit(env_.session.guard.transmitLimitS)) +
               " s to protect the radio.";
    if (std::string pending = pendingText(); !pending.empty())
        return pending;
    if (programState_ != ProgramState::None) {
        std::string text =
            programState_ == ProgramState::Confirmed
                ? "Programmed: the radio's tuning area holds the values under Default Softpot."
            : programState_ == ProgramState::Differs
                ? "The radio holds other values than Program wrote: the new values are only in "
                  "the tuning image."
                : "The radio did not confirm Program: the new values are only in the tuning "
                  "image.";
        if (pttCaption_ == page_.keying.onCaption)
            text += " The transmitter is still keyed.";
        return text;
    }
    if (!setUpRow_)
        return "Move a row's control to set the radio up for that point.";
    const SoftpotRow& r = rows_.at(static_cast<std::size_t>(*setUpRow_));
    std::string text = "Set up for " + rowName(r);
    if (!r.frequencyText.empty()) {
        const bool numeric = r.frequencyText.front() >= '0' && r.frequencyText.front() <= '9';
        text += " (" + r.frequencyText + (numeric ? " MHz)" : ")");
    }
    if (!page_.keying.hasButton)
        return text + ". Changes on this row go to the radio as you make them.";
    if (pttCaption_ == page_.keying.onCaption)
        return text + ". Transmitter keyed: changes go to the radio as you make them.";
    return text + ". Press " + std::string(page_.keying.idleCaption) + " to key the transmitter.";
}

} // namespace korvelo
