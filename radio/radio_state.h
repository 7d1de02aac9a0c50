#pragma once
// State that outlives a single operation: the radio state flags, the tuning image, the band
// type and the shared transmit set-up block. One Session per program (tests make their own).
#include "link/radio_link.h"
#include "tuning_image.h"

#include <array>
#include <cstdint>
#include <string>

namespace korvelo {

struct RadioStateFlags {
    bool inTunerMode = false;
    bool isAk2347Radio = true; // until the radio or a tuning file says otherwise
    bool is256BlockMemory = false;
    bool imageLoaded = false;
    std::uint8_t spacingTabsEnabled = 0;
    bool portFault = false;
};

struct Session {
    RadioStateFlags flags;
    TuningImage image;
    std::uint8_t radioType = 0;
    bool isVhfRadio = false;
    // The 9-byte synthesiser set-up block shared by every alignment page; never reset.
    std::array<std::uint8_t, 9> txSetupBlock{};
    // Why the port last failed to open (empty once it opens again).
    std::string portFaultReason;
};

// Everything an operation needs: the session and the link environment.
struct AppEnv {
    Session& session;
    ReplyObjects& replies;
    Clock& clock;
    Notifier& notifier;
    PortProvider& ports;

    LinkEnv linkEnv() const {
        return LinkEnv{
            replies, clock, notifier, ports, session.flags.portFault, &session.portFaultReason};
    }
};

} // namespace korvelo
