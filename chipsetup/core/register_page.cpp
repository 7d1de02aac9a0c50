#include "chipsetup/core/register_page.h"

#include "link/radio_link.h"
#include "radio/image_record.h"

#include <cstdio>

namespace korvelo {

namespace {

// Says why a typed value on a scaled control was refused or stored as another value; empty
// when it was stored as typed (or the control is no scale).
std::string typedValueNote(const std::string& label, const Binding& b, const std::string& text,
                           std::optional<unsigned> code) {
    if (b.kind != ControlKind::Scaled)
        return {};
    const StepScale& sc = b.scale;
    const std::string range = sc.format(0) + " to " + sc.format(static_cast<unsigned>(sc.maxCode)) +
                              " in steps of " + StepScale{0.0, sc.step, 1, sc.decimals}.format(1);
    if (!code) {
        StepScale snapping = sc;
        snapping.offGrid = OffGrid::Snap;
        return snapping.parse(text)
                   ? label + ": " + text + " was refused; the values are " + range + "."
                   : label + ": \"" + text + "\" is not a number.";
    }
    StepScale exact = sc;
    exact.offGrid = OffGrid::Restore;
    if (exact.parse(text) == code)
        return {};
    return label + ": " + text + " is not one of the values (" + range + "); " + sc.format(*code) +
           " was stored.";
}

std::string hex2(unsigned v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02X", v & 0xFFu);
    return buf;
}

std::string rangeText(const Region& r) {
    if (r.count == 1)
        return "0x" + hex2(r.offset);
    return "0x" + hex2(r.offset) + "..0x" + hex2(r.end() - 1);
}

} // namespace

RegisterPage::RegisterPage(const AppEnv& env, const RegisterPageSpec& table)
    : env_(env), table_(table), states_(table.bindings.size()), own_(table.bindings.size(), -1) {
    for (int i = 0; i < count(); ++i) {
        const Binding& b = binding(i);
        if (b.bound)
            continue;
        if (b.kind == ControlKind::Scaled) {
            const auto code = b.scale.parse(b.initialText);
            own_[static_cast<std::size_t>(i)] = code ? static_cast<int>(*code) : 0;
        }
        at(i).text = std::string(b.initialText);
    }
    refreshAll();
    baseline_ = env_.session.image;
}

int RegisterPage::find(int controlId) const {
    for (int i = 0; i < count(); ++i)
        if (binding(i).control == controlId ||
            (binding(i).spin != 0 && binding(i).spin == controlId))
            return i;
    return -1;
}

std::string RegisterPage::label(int i) const {
    const Binding& b = binding(i);
    return bindingLabel(table_.groups.at(static_cast<std::size_t>(b.group)).caption, b);
}

unsigned RegisterPage::value(int i) const {
    const Binding& b = binding(i);
    if (b.bound)
        return readField(env_.session.image, b);
    const int own = own_[static_cast<std::size_t>(i)];
    return own < 0 ? ~0u : static_cast<unsigned>(own);
}

void RegisterPage::store(int i, unsigned v) {
    const Binding& b = binding(i);
    if (b.bound)
        writeField(env_.session.image, b, v);
    else
        own_[static_cast<std::size_t>(i)] = static_cast<int>(v);
}

void RegisterPage::refresh(int i) {
    const Binding& b = binding(i);
    ControlState& s = at(i);
    switch (b.kind) {
    case ControlKind::Choice:
    case ControlKind::Radio: {
        const unsigned v = value(i);
        s.selection = v < b.list.size() ? static_cast<int>(v) : -1;
        s.outOfRange = b.bound && v >= b.list.size();
        break;
    }
    case ControlKind::Scaled:
    case ControlKind::HexWord: {
        const unsigned v = value(i);
        s.text = fieldText(b, v);
        s.pending = false;
        s.outOfRange = b.kind == ControlKind::Scaled && static_cast<int>(v) > b.scale.maxCode;
        break;
    }
    case ControlKind::ByteView:
        s.text = writesText();
        break;
    case ControlKind::Text:
        break;
    }
}

void RegisterPage::refreshAll() {
    for (int i = 0; i < count(); ++i)
        if (!at(i).pending)
            refresh(i);
}

void RegisterPage::select(int i, int index) {
    const Binding& b = binding(i);
    if (busy_ || (b.kind != ControlKind::Choice && b.kind != ControlKind::Radio) || index < 0 ||
        static_cast<std::size_t>(index) >= b.list.size())
        return;
    store(i, static_cast<unsigned>(index));
    refresh(i);
    refreshAll();
}

void RegisterPage::type(int i, std::string text) {
    ControlState& s = at(i);
    if (s.text == text)
        return;
    s.text = std::move(text);
    s.pending = true;
}

void RegisterPage::commit(int i) {
    ControlState& s = at(i);
    if (!s.pending)
        return;
    const Binding& b = binding(i);
    const auto v = parseTyped(b, s.text);
    typedNote_ = typedValueNote(label(i), b, s.text, v);
    if (v)
        store(i, *v);
    s.pending = false;
    refresh(i); // the stored value, or the old one again for a refused text
    refreshAll();
}

void RegisterPage::commitTyped() {
    for (int i = 0; i < count(); ++i)
        commit(i);
}

void RegisterPage::step(int i, int delta) {
    const Binding& b = binding(i);
    if (busy_ || (b.kind != ControlKind::Scaled && b.kind != ControlKind::HexWord))
        return;
    ControlState& s = at(i);
    unsigned from = value(i);
    if (s.pending) {
        // A typed value is the start when it is a number: off the grid it snaps first.
        Binding snapping = b;
        snapping.scale.offGrid = OffGrid::Snap;
        if (const auto typed = parseTyped(snapping, s.text))
            from = *typed;
    }
    store(i, stepValue(b, from, delta));
    typedNote_.clear();
    s.pending = false;
    refresh(i);
    refreshAll();
}

bool RegisterPage::written(const Binding& b) const {
    for (const ByteClaim& c : claims(b))
        for (const Region& r : table_.writes)
            if (r.contains(c.byte))
                return true;
    return false;
}

int RegisterPage::unsentCount() const {
    const TuningImage& image = env_.session.image;
    int n = 0;
    for (const Binding& b : table_.bindings) {
        if (!written(b))
            continue;
        for (const ByteClaim& c : claims(b)) {
            if (((image[c.byte] ^ baseline_[c.byte]) & c.mask) != 0) {
                ++n;
                break;
            }
        }
    }
    return n;
}

void RegisterPage::discard() {
    TuningImage& image = env_.session.image;
    for (const Binding& b : table_.bindings)
        for (const ByteClaim& c : claims(b))
            image[c.byte] =
                static_cast<std::uint8_t>((image[c.byte] & ~c.mask) | (baseline_[c.byte] & c.mask));
    for (ControlState& s : states_)
        s.pending = false;
    refreshAll();
}

SendOutcome RegisterPage::dataSend() {
    if (busy_ || !canSend())
        return SendOutcome::None;
    busy_ = true;
    commitTyped(); // a typed value counts as entered: the radio gets what the page shows
    Session& s = env_.session;
    SendOutcome outcome = SendOutcome::Confirmed;
    std::string checkText;
    {
        RadioLink link(env_.linkEnv());
        link.OpenPort();
        if (!link.isOpen()) {
            outcome = SendOutcome::NoPort; // the user has been told why
        } else {
            for (const Region& r : table_.writes) {
                const RegionWriteResult w =
                    programRegion(link, s, r, table_.sendPauseMs, table_.sendWaitMs);
                if (w.outcome == WriteOutcome::Confirmed)
                    continue;
                // One message; the next write would fare no better.
                outcome = w.outcome == WriteOutcome::NoAnswer  ? SendOutcome::NoReply
                          : w.outcome == WriteOutcome::Refused ? SendOutcome::Refused
                                                               : SendOutcome::Differs;
                checkText = w.message;
                break;
            }
        }
    } // the port is closed before any message box
    if (outcome == SendOutcome::NoReply)
        env_.notifier.notify(std::string(kDataSendNoReplyText), Icon::Exclamation);
    if (outcome == SendOutcome::Differs)
        env_.notifier.notify(checkText, Icon::Exclamation);
    if (outcome == SendOutcome::Confirmed)
        baseline_ = s.image;
    lastSend_ = outcome;
    busy_ = false;
    refreshAll();
    return outcome;
}

std::string RegisterPage::writesText() const {
    const TuningImage& image = env_.session.image;
    std::string text;
    for (const Region& r : table_.writes) {
        if (!text.empty())
            text += "   ";
        text += rangeText(r) + ":";
        for (unsigned k = r.offset; k < r.end(); ++k)
            text += " " + hex2(image[k]);
    }
    return text;
}

std::string RegisterPage::statusText() const {
    std::string ranges;
    for (const Region& r : table_.writes)
        ranges += (ranges.empty() ? "" : " and ") + rangeText(r);
    if (!typedNote_.empty())
        return typedNote_;
    if (!canSend())
        return "No tuning image yet: run File > Tuning Init or open a tuning file before DATA "
               "SEND.";
    switch (lastSend_) {
    case SendOutcome::NoReply:
        return "The radio did not confirm DATA SEND: the changes are only in the tuning image.";
    case SendOutcome::Refused:
        return "The radio refused DATA SEND: the changes are only in the tuning image.";
    case SendOutcome::NoPort:
        return "DATA SEND could not open the port: nothing was sent.";
    case SendOutcome::Differs:
        return "The radio does not hold what DATA SEND wrote: the changes are only in the "
               "tuning image.";
    default:
        break;
    }
    const int n = unsentCount();
    if (n > 0)
        return std::to_string(n) + (n == 1 ? " setting has" : " settings have") +
               " changed and not been sent: DATA SEND writes " + ranges + " to the radio.";
    if (lastSend_ == SendOutcome::Confirmed)
        return "The radio confirmed DATA SEND of " + ranges + ".";
    return "Changes go into the tuning image at once; DATA SEND writes " + ranges +
           " to the radio.";
}

} // namespace korvelo
