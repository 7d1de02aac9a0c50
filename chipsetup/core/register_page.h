#pragma once
// One register page (TX Mode, the CMX148 transmit and receive setups) run from its table. The
// tuning image is the model: a change lands in it at once, "DATA SEND" writes the page's
// regions to the radio, and the page remembers what the radio last confirmed so that closing
// with changes that were never sent can ask first. UI-free: a dialog forwards the user's
// actions to the entry points below and mirrors state() after each.
#include "chipsetup/core/register_binding.h"
#include "radio/radio_state.h"

#include <string>
#include <string_view>
#include <vector>

namespace korvelo {

// A group box of the page and where it sits in the dialog's grid.
struct RegisterGroup {
    std::string_view caption;
    int row = 0;
    int column = 0;
    int rowSpan = 1;
    int columnSpan = 1;
    std::string_view note = {}; // a line shown under the group's controls
};

struct RegisterPageSpec {
    std::string_view title; // the dialog's caption
    std::vector<RegisterGroup> groups;
    std::vector<Binding> bindings;
    std::vector<Region> writes;        // what "DATA SEND" writes, in order
    std::vector<HeldBytes> sentAsHeld; // bytes of those writes the page does not edit
    int sendPauseMs = 130;             // after each write, before the wait
    int sendWaitMs = kUnboundedWaitBoundMs;
};

// Shown when a write's reply does not come within its bound.
inline constexpr std::string_view kDataSendNoReplyText = "Radio Coummunication Error";

// Differs: the read-back after a write found other values (or no answer to it).
enum class SendOutcome { None, Confirmed, NoReply, Refused, NoPort, Differs };

// What one control shows.
struct ControlState {
    std::string text;        // edits and views
    int selection = -1;      // lists and radio buttons; -1 shows none
    bool pending = false;    // typed and not taken yet
    bool outOfRange = false; // the stored value is outside the list or the scale
};

class RegisterPage {
  public:
    RegisterPage(const AppEnv& env, const RegisterPageSpec& table);

    const RegisterPageSpec& table() const { return table_; }
    int count() const { return static_cast<int>(table_.bindings.size()); }
    const Binding& binding(int i) const { return table_.bindings.at(static_cast<std::size_t>(i)); }
    const ControlState& state(int i) const { return states_.at(static_cast<std::size_t>(i)); }
    // The binding of a template control id (list, edit or spin); -1 when there is none.
    int find(int controlId) const;
    std::string label(int i) const;

    // Entry points, one per kind of user event.
    void select(int i, int index); // a list entry or radio button chosen
    void type(int i, std::string text);
    void commit(int i);          // the edit lost the focus or took Enter
    void step(int i, int delta); // +1 up, -1 down
    // Takes every typed text as if its edit had lost the focus (before DATA SEND and closing).
    void commitTyped();
    // Only an image read from the radio or a file is written: an empty one would overwrite
    // the radio's settings with zeros.
    bool canSend() const { return env_.session.flags.imageLoaded; }
    SendOutcome dataSend();
    // Puts back every byte the page changed since it opened or the radio last confirmed.
    void discard();

    // Settings whose written bits differ from what the radio last confirmed (or, before any
    // DATA SEND, from what the page opened with).
    int unsentCount() const;
    SendOutcome lastSend() const { return lastSend_; }
    bool busy() const { return busy_; }
    std::string statusText() const;

  private:
    ControlState& at(int i) { return states_.at(static_cast<std::size_t>(i)); }
    unsigned value(int i) const;
    void store(int i, unsigned v);
    void refresh(int i);
    void refreshAll();
    bool written(const Binding& b) const;
    std::string writesText() const;

    const AppEnv env_;
    const RegisterPageSpec& table_;
    std::vector<ControlState> states_;
    std::vector<int> own_; // values of the unbound controls (-1: none)
    TuningImage baseline_;
    SendOutcome lastSend_ = SendOutcome::None;
    bool busy_ = false;
    // Why the last typed value was not stored as typed (off the grid or outside the limits);
    // shown until the next change.
    std::string typedNote_;
};

} // namespace korvelo
