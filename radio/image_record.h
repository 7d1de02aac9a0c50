#pragma once
// The session's record of the tuning area and of the transmitter, for the bench window and the
// listings: each is changed here only, and each change is told through Session::onChange.
//
// Region writes are recorded by programRegion, the one function every page's Program and every
// register page's DATA SEND sends its region through; whatever else must happen to every write
// to the radio's memory belongs there as well.
#include "radio/radio_state.h"
#include "radio/tuning_regions.h"
#include "radio/write_check.h"

#include <cstdint>
#include <string>

namespace korvelo {

// A Tuning Init has read the image from the radio: the read column starts again from it, and
// nothing is programmed yet. The radio's identity is forgotten (it may be another radio).
void recordRadioRead(Session& session);
// A tuning file has replaced the image (fileName without its folder). What was programmed
// into the radio since its Tuning Init stays recorded: the radio still holds it.
void recordFileLoaded(Session& session, std::string fileName);
// The pages' engine: a PTT on was sent (true), or a PTT off was confirmed (false).
void noteTransmitter(Session& session, bool mayBeOn);
// New identity fields read from the radio.
void recordIdentity(Session& session, const RadioIdentity& identity);

// For the alignment record only (the session's recorder, when one is installed): a backup of
// what the radio held, a read-back check of a write, the test set and its readings.
void recordBackup(const Session& session, const std::string& path);
void recordVerification(const Session& session, std::uint8_t offset, std::uint8_t count, bool ok,
                        const std::string& detail = {});
void recordTestSet(const Session& session, const std::string& identity);
void recordReading(const Session& session, const AlignmentReading& reading);
void recordAlignmentEnded(const Session& session, AlignmentEnding ending,
                          const std::string& reason = {});

// Sends image bytes offset..offset+count-1 with the write command at the memory's base on an
// open link, by the send-and-wait convention (reset, send, pause, wait), requires an ACK and,
// when the session's options ask for it, reads the range back (write_check.h). Only bytes the
// radio took and, when checked, holds are recorded as programmed.
RegionWriteResult programRegion(RadioLink& link, Session& session, std::uint8_t offset,
                                std::uint8_t count, int pauseMs, int waitMs,
                                RegionWait wait = RegionWait::Bounded);
inline RegionWriteResult programRegion(RadioLink& link, Session& session, const Region& region,
                                       int pauseMs, int waitMs,
                                       RegionWait wait = RegionWait::Bounded) {
    return programRegion(link, session, region.offset, region.count, pauseMs, waitMs, wait);
}
// The same with the bytes of `source` instead of the session's image (a restore), always read
// back whatever the options say.
RegionWriteResult programRegionFrom(RadioLink& link, Session& session, const TuningImage& source,
                                    const Region& region, int pauseMs, int waitMs);

} // namespace korvelo
