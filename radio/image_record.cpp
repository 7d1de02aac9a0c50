#include "radio/image_record.h"

#include "link/command_frame.h"
#include "link/radio_link.h"

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
}

RegionWrite programRegion(RadioLink& link, Session& session, std::uint8_t offset,
                          std::uint8_t count, int pauseMs, int waitMs, RegionWait wait) {
    // What is recorded is what the frame carried, whatever the image holds once the answer is in.
    const TuningImage sent = session.image;
    const auto bytes = sent.bytes().subspan(offset, count);
    const std::string frame =
        CommandFrame::writeRegion(tuningBase(session.flags.is256BlockMemory), offset, bytes);
    const bool answered = wait == RegionWait::Pumped
                              ? link.sendAndWaitPumped(frame, pauseMs, waitMs)
                              : link.sendAndWait(frame, pauseMs, waitMs);
    if (!answered)
        return RegionWrite::NoAnswer;
    if (link.replyStatus() != kStatusAck)
        return RegionWrite::Refused;
    ImageRecord& r = session.record;
    for (unsigned i = offset; i < unsigned{offset} + count; ++i) {
        r.programmed[i] = sent[i];
        r.isProgrammed[i] = true;
    }
    session.changed();
    return RegionWrite::Acknowledged;
}

} // namespace korvelo
