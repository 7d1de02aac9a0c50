#pragma once
// State that outlives a single operation: the radio state flags, the tuning image, the band
// type and the shared transmit set-up block. One Session per program (tests make their own).
#include "link/radio_link.h"
#include "radio/guard_options.h"
#include "radio/job_recorder.h"
#include "tuning_image.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace korvelo {

struct RadioStateFlags {
    bool inTunerMode = false;
    bool isAk2347Radio = true; // until the radio or a tuning file says otherwise
    bool is256BlockMemory = false;
    bool imageLoaded = false;
    std::uint8_t spacingTabsEnabled = 0;
    bool portFault = false;
};

enum class ImageSource { None, Radio, File };

// What is known of the radio's tuning area beyond the image itself: where the image came
// from, the image as it was read or loaded, and the bytes the radio acknowledged as
// programmed since the last Tuning Init. Kept by the functions of image_record.h only.
struct ImageRecord {
    ImageSource source = ImageSource::None;
    std::string fileName;   // the file's name without its folder, when source is File
    bool radioRead = false; // a Tuning Init has succeeded: radioType names this radio's band
    TuningImage asRead;     // as read from the radio or loaded from the file
    TuningImage programmed; // what the radio acknowledged, where isProgrammed is set
    std::array<bool, TuningImage::kSize> isProgrammed{};
};

// The radio's own information, once read (Identify, the utilities); empty when unknown.
struct RadioIdentity {
    std::optional<std::string> fwVersion;
    std::optional<std::string> serialNumber;
    std::optional<std::string> country;
};

class Keyer;
class LinkStateFile;

struct Session {
    RadioStateFlags flags;
    TuningImage image;
    std::uint8_t radioType = 0;
    bool isVhfRadio = false;
    // The 9-byte synthesiser set-up block shared by every alignment page; never reset.
    std::array<std::uint8_t, 9> txSetupBlock{};
    // Why the port last failed to open (empty once it opens again).
    std::string portFaultReason;

    ImageRecord record;
    RadioIdentity identity;
    // A page has keyed the transmitter, or its PTT off was not confirmed: the transmitter may
    // be on until a PTT off is confirmed. Kept by the alignment pages' engine.
    bool transmitterMayBeOn = false;
    // Told after the record, the identity or the transmitter changed (the bench window).
    std::function<void()> onChange;
    void changed() const {
        if (onChange)
            onChange();
    }
    GuardOptions guard;
    GuardRecord guardRecord;
    // The pages that can key the transmitter, while they live (safe_exit.h).
    std::vector<Keyer*> keyers;
    // The alignment record, when one is kept (not owned).
    JobRecorder* recorder = nullptr;
    // The file that tells the next start what this run may leave on (link_state.h; not owned).
    LinkStateFile* linkState = nullptr;
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
