#include "radio/tuning_start.h"

#include "link/command_frame.h"
#include "radio/backup.h"
#include "radio/band_model.h"
#include "radio/block_read.h"
#include "radio/image_record.h"
#include "radio/link_state.h"
#include "radio/radio_utilities.h"
#include "radio/tuning_regions.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>

namespace korvelo {

namespace {

constexpr int kBlocks = 4;

constexpr int kEnterTries = 5;
constexpr int kTypeTries = 5;
constexpr int kReadRepeats = 3; // repeats for the whole read, not per block

constexpr int kFlagsTries = 2; // once more before the 128-block AK2347 fallback

constexpr char kPowerOn[] = "Please Power On or Change the cable.";

enum class Step { Done, End, Refused };

// Tuner mode and the radio type are asked again only after a refusal or an unreadable answer:
// a radio that stays silent is off or unplugged, and the first time-out ends the run. The try
// is counted from the second ask, so that the status never promises tries that are not made.
void waitingForAnswer(RadioLink& link, std::string_view what, int attempt, int attempts) {
    if (attempt > 1)
        link.waitingFor(what, attempt, attempts);
    else
        link.waitingFor(what);
}

Step enterTunerMode(RadioLink& link, RadioStateFlags& flags, bool tellRefusal) {
    for (int attempt = 1; attempt <= kEnterTries; ++attempt) {
        waitingForAnswer(link, "tuner mode", attempt, kEnterTries);
        if (!link.sendAndWait(CommandFrame::enterTunerMode(), 100, 5000)) {
            link.notifier().notify(kPowerOn, Icon::Information);
            return Step::End;
        }
        if (link.replyStatus() == kStatusAck) {
            link.clearReplyStatus();
            flags.inTunerMode = true;
            return Step::Done;
        }
        link.clock().sleepMs(80);
        if (attempt == kEnterTries) {
            if (link.replyStatus() == kStatusNak) {
                link.clearReplyStatus();
                if (tellRefusal)
                    link.notifier().notify(alreadyInTunerModeText(), Icon::Information);
                return Step::Refused;
            } else {
                link.notifier().notify(std::string("Please check the radio status.\n") +
                                           (link.replyStatus() == kStatusData
                                                ? "It answered tuner mode with data, not an ACK."
                                                : "Its answers to tuner mode could not be read "
                                                  "(a bad checksum or a broken frame)."),
                                       Icon::Information);
            }
        }
    }
    return Step::End;
}

// Without a valid reply, after a second ask, the radio is taken for a 128-block one and the
// chip flag is kept; false then, so that the run can say how it read the radio.
bool readRadioFlags(RadioLink& link, RadioStateFlags& flags) {
    for (int attempt = 1; attempt <= kFlagsTries; ++attempt) {
        link.waitingFor("radio flags", attempt, kFlagsTries);
        link.sendAndWait(CommandFrame::radioFlags(), 100, 2500);
        if (link.replyStatus() != kStatusData)
            continue;
        const std::uint8_t radioFlags = link.replyData(2);
        flags.is256BlockMemory = (radioFlags & 0x10) != 0;
        flags.isAk2347Radio = (radioFlags & 0x20) == 0;
        link.clearReplyStatus();
        return true;
    }
    flags.is256BlockMemory = false;
    return false;
}

Step readRadioType(RadioLink& link, Session& session) {
    for (int attempt = 1; attempt <= kTypeTries; ++attempt) {
        waitingForAnswer(link, "radio type", attempt, kTypeTries);
        if (!link.sendAndWait(CommandFrame::radioType(), 100, 2500)) {
            link.notifier().notify(kPowerOn, Icon::Information);
            return Step::End;
        }
        if (link.replyStatus() == kStatusData) {
            session.radioType = link.replyData(2);
            link.clearReplyStatus();
            return Step::Done;
        }
    }
    link.notifier().notify("Fail to read radio informatiom. Please try again ", Icon::Exclamation);
    return Step::End;
}

// Reads the four blocks into `area`. One failure count covers the whole read, and each
// failure lengthens the pause before the next wait by 10 ms.
Step readTuningArea(RadioLink& link, bool is256BlockMemory, TuningImage& area,
                    const TuningProgress& progress) {
    const int first = firstTuningBlock(is256BlockMemory);
    int failures = 0;
    int failuresBeforeBlock = 0;
    std::string why;
    if (progress)
        progress(0, kBlocks);
    for (int k = 0; k < kBlocks;) {
        const auto address = static_cast<std::uint16_t>((first + k) * kBlockSize);
        link.waitingFor("block " + std::to_string(k + 1) + " of " + std::to_string(kBlocks),
                        failures - failuresBeforeBlock + 1, kReadRepeats - failuresBeforeBlock + 1);
        const auto block = readBlockOnce(link, address, 130 + 10 * failures, &why);
        if (block) {
            std::copy(block->begin(), block->end(),
                      area.bytes().begin() + static_cast<std::ptrdiff_t>(k * kBlockSize));
            ++k;
            failuresBeforeBlock = failures;
            if (progress)
                progress(k, kBlocks);
            continue;
        }
        if (failures >= kReadRepeats) {
            link.notifier().notify("Read Radio Fail !! Please try again.\n" + why,
                                   Icon::Exclamation);
            // Take the radio out of tuner mode; its answer is not awaited.
            link.resetReply();
            link.SendHex(CommandFrame::reset());
            link.clock().sleepMs(100);
            return Step::End;
        }
        ++failures;
    }
    return Step::Done;
}

// Everything after the radio took tuner mode: flags, type, the four blocks, the serial number.
TuningInitEnd readAfterEntering(const AppEnv& env, RadioLink& link,
                                const TuningProgress& progress) {
    Session& session = env.session;
    RadioStateFlags& flags = session.flags;
    const bool flagsReported = readRadioFlags(link, flags);
    if (readRadioType(link, session) == Step::End)
        return TuningInitEnd::Failed;

    env.clock.sleepMs(80);
    // The blocks are gathered apart and copied only when all four have come, so a read that
    // fails part-way cannot leave an image mixed from two radios.
    TuningImage area = session.image;
    if (readTuningArea(link, flags.is256BlockMemory, area, progress) == Step::End)
        return TuningInitEnd::Failed;
    session.image = area;

    flags.spacingTabsEnabled = 1;
    // The serial number names the backup of what the radio held; one try, and a radio that
    // does not tell it is backed up as "unknown".
    if (session.guard.takesBackups()) {
        if (const auto serial = readInfoOnLink(link, Cmd::SerialNumber, 10))
            session.guardRecord.serialNumber = formatSerialNumber(*serial);
    }
    link.close();
    session.isVhfRadio = isVhfForType(session.radioType, session.isVhfRadio);
    recordRadioRead(session);
    if (session.guardRecord.serialNumber) {
        RadioIdentity known;
        known.serialNumber = session.guardRecord.serialNumber;
        recordIdentity(session, known);
    }
    std::string done = "Radio has been successfully read !!";
    if (!flagsReported)
        done += "\n" + flagsFallbackNote(flags.isAk2347Radio);
    env.notifier.notify(done, Icon::Information);
    flags.imageLoaded = true;
    backupAfterRead(session, env.notifier);
    return TuningInitEnd::Read;
}

} // namespace

std::string flagsFallbackNote(bool isAk2347Radio) {
    return std::string("The radio did not report its memory size and audio processor; it was "
                       "read as a 128-block ") +
           (isAk2347Radio ? "AK2347" : "CMX148") + " radio.";
}

std::string alreadyInTunerModeText() {
    return "This radio is already in Tuner Mode.\nAn earlier run may have left it there: Reset, "
           "or korvelo-cli leave, takes it out of tuner mode.";
}

bool TuningInit(const AppEnv& env, const TuningProgress& progress) {
    return runTuningInit(env, progress, true) == TuningInitEnd::Read;
}

TuningInitEnd runTuningInit(const AppEnv& env, const TuningProgress& progress, bool tellRefusal) {
    Session& session = env.session;
    RadioStateFlags& flags = session.flags;
    RadioLink link(env.linkEnv());

    link.OpenPort();
    env.replies.replyEvent.reset();
    // A radio that refuses tuner mode leaves everything known of the last run as it was (the
    // radio is still in tuner mode, its backup still the one taken then).
    const bool wasInTunerMode = flags.inTunerMode;
    const GuardRecord wasGuarded = session.guardRecord;
    flags.inTunerMode = false;
    session.guardRecord = {}; // what it says belongs to the radio this run reads
    if (flags.portFault)
        return TuningInitEnd::Failed; // reported; the link closes on destruction

    env.clock.sleepMs(100);
    noteTunerModeComing(env);
    const Step entered = enterTunerMode(link, flags, tellRefusal);
    if (entered == Step::Refused) {
        flags.inTunerMode = wasInTunerMode;
        session.guardRecord = wasGuarded;
        link.close();
        syncLinkState(session, /*tunerModeRefused=*/true);
        return TuningInitEnd::AlreadyInTunerMode;
    }
    if (entered == Step::End) {
        link.close();
        syncLinkState(session);
        return TuningInitEnd::Failed;
    }
    const TuningInitEnd end = readAfterEntering(env, link, progress);
    syncLinkState(session);
    return end;
}

} // namespace korvelo
