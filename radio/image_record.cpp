#include "radio/image_record.h"

#include "link/command_frame.h"
#include "link/radio_link.h"
#include "radio/link_state.h"

namespace korvelo {

void recordRadioRead(Session& session) {
    ImageRecord& r = session.record;
    r.source = ImageSource::Radio;
    r.fileName.clear();
    r.radioRead = true;
    r.asRead = session.image;
    r.programmed = session.image;
    r.isProgrammed.fill(false);
    session.identity = {};
    session.changed();
    if (session.recorder)
        session.recorder->radioRead(session);
}

void recordFileLoaded(Session& session, std::string fileName) {
    ImageRecord& r = session.record;
    r.source = ImageSource::File;
    r.fileName = std::move(fileName);
    r.asRead = session.image;
    session.changed();
}

void noteTransmitter(Session& session, bool mayBeOn) {
    if (session.transmitterMayBeOn == mayBeOn)
        return;
    session.transmitterMayBeOn = mayBeOn;
    syncLinkState(session);
    session.changed();
}

void recordIdentity(Session& session, const RadioIdentity& identity) {
    RadioIdentity& id = session.identity;
    if (identity.fwVersion)
        id.fwVersion = identity.fwVersion;
    if (identity.serialNumber)
        id.serialNumber = identity.serialNumber;
    if (identity.country)
        id.country = identity.country;
    session.changed();
    if (session.recorder)
        session.recorder->identityRead(session);
}

void recordBackup(const Session& session, const std::string& path) {
    if (session.recorder)
        session.recorder->backupTaken(session, path);
}

void recordVerification(const Session& session, std::uint8_t offset, std::uint8_t count, bool ok,
                        const std::string& detail) {
    if (session.recorder)
        session.recorder->verified(session, offset, count, ok, detail);
}

void recordTestSet(const Session& session, const std::string& identity) {
    if (session.recorder)
        session.recorder->testSetUsed(session, identity);
}

void recordReading(const Session& session, const AlignmentReading& reading) {
    if (session.recorder)
        session.recorder->reading(session, reading);
}

void recordAlignmentEnded(const Session& session, AlignmentEnding ending,
                          const std::string& reason) {
    if (session.recorder)
        session.recorder->alignmentEnded(session, ending, reason);
}

namespace {

RegionWriteResult programFrom(RadioLink& link, Session& session, const TuningImage& sent,
                              std::uint8_t offset, std::uint8_t count, int pauseMs, int waitMs,
                              RegionWait wait, bool check) {
    RegionWriteResult result = writeRegionChecked(link, sent, session.flags.is256BlockMemory,
                                                  offset, count, pauseMs, waitMs, check, wait);
    // A read-back was made when the radio took the write and the check was asked for.
    const bool acknowledged = result.outcome == WriteOutcome::Confirmed ||
                              result.outcome == WriteOutcome::Differs ||
                              result.outcome == WriteOutcome::Unchecked;
    if (check && acknowledged)
        recordVerification(session, offset, count, result.outcome == WriteOutcome::Confirmed,
                           result.message);
    // Without an ACK the range was read back: the record keeps what the radio holds.
    if (result.held != WriteHeld::NotRead)
        recordVerification(session, offset, count, result.held == WriteHeld::Taken, result.message);
    if (result.outcome != WriteOutcome::Confirmed && result.held != WriteHeld::Taken)
        return result;
    ImageRecord& r = session.record;
    for (unsigned i = offset; i < unsigned{offset} + count; ++i) {
        r.programmed[i] = sent[i];
        r.isProgrammed[i] = true;
    }
    session.changed();
    if (session.recorder)
        session.recorder->regionProgrammed(session, offset, count);
    return result;
}

} // namespace

RegionWriteResult programRegion(RadioLink& link, Session& session, std::uint8_t offset,
                                std::uint8_t count, int pauseMs, int waitMs, RegionWait wait) {
    // What is recorded is what the frame carried, whatever the image holds once the answer is in.
    const TuningImage sent = session.image;
    return programFrom(link, session, sent, offset, count, pauseMs, waitMs, wait,
                       session.guard.verifyAfterWrite);
}

RegionWriteResult programRegionFrom(RadioLink& link, Session& session, const TuningImage& source,
                                    const Region& region, int pauseMs, int waitMs) {
    return programFrom(link, session, source, region.offset, region.count, pauseMs, waitMs,
                       RegionWait::Bounded, /*check=*/true);
}

} // namespace korvelo
