#pragma once
// What must happen before the program ends on a signal: every page that may have keyed the
// transmitter unkeys it, and the radio leaves tuner mode.
#include "radio/radio_state.h"

namespace korvelo {

// A page that can key the transmitter. It registers with the session while it lives
// (Session::keyers), so that the exit path and the watchdog can reach it without the window.
class Keyer {
  public:
    virtual ~Keyer() = default;
    // Sends PTT off when the page has keyed the transmitter (or its PTT off went
    // unconfirmed), as the page's button would; nothing otherwise.
    virtual void unkeyForSafety() = 0;
};

// Unkeys every registered page, then sends leave-tuner-mode while the radio is in tuner mode.
// True when the radio answered the leave-tuner-mode command.
bool leaveRadioSafe(const AppEnv& env);

} // namespace korvelo
