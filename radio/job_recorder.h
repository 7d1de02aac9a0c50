#pragma once
// What the core tells the alignment record: a radio was read, its identity became known, a
// region was programmed, a backup was taken, a write was verified, a value was measured. The
// program and korvelo-cli install an implementation in the session; without one nothing is
// recorded. The calls come on the thread that talks to the radio and must return quickly.
#include <cstdint>
#include <string>
#include <vector>

namespace korvelo {

struct Session;

// One iteration of an automatic alignment's search: the value sent and the reading it gave.
struct AlignmentStep {
    int value = 0;
    double reading = 0;
};

// One measurement against its limits: automatic alignment's, or the meter's reading a
// technician typed on a page.
struct AlignmentReading {
    std::string value;    // the catalogue value aligned ("High Power, point 1 (136.00000 MHz)")
    std::string quantity; // what was measured ("Power")
    std::string unit;     // "W", "kHz", "dB"
    double target = 0;
    double low = 0; // limits, inclusive
    double high = 0;
    double reading = 0;
    bool pass = false;
    // Typed on a page rather than measured by Auto Align, with the row's value as the page
    // showed it then; a later typed reading of the same value replaces it in the job.
    bool manual = false;
    std::string softpot{};
    std::vector<AlignmentStep> steps{}; // how the search came to the reading, in order
};

// How an automatic alignment ended: every row run, stopped at the user's request, or stopped
// by a fault (the test set or the radio stopped answering), with the reason.
enum class AlignmentEnding { Completed, Aborted, Fault };

class JobRecorder {
  public:
    virtual ~JobRecorder() = default;
    // Tuning Init has read the radio: a new job starts, the image as read is its "before".
    virtual void radioRead(const Session& session) = 0;
    // The firmware version, serial number or country code were read.
    virtual void identityRead(const Session& session) = 0;
    // The radio acknowledged image bytes offset..offset+count-1 (a Program, a DATA SEND, a
    // restore): the session's record holds them as programmed.
    virtual void regionProgrammed(const Session& session, std::uint8_t offset,
                                  std::uint8_t count) = 0;
    // A copy of what the radio held was written to `path`.
    virtual void backupTaken(const Session& session, const std::string& path) = 0;
    // The radio's memory was read back after a write: `ok` when it held what was sent.
    virtual void verified(const Session& session, std::uint8_t offset, std::uint8_t count, bool ok,
                          const std::string& detail) = 0;
    // Automatic alignment: the test set used, and each reading (also the readings typed on the
    // pages).
    virtual void testSetUsed(const Session& session, const std::string& identity) = 0;
    virtual void reading(const Session& session, const AlignmentReading& reading) = 0;
    virtual void alignmentEnded(const Session& session, AlignmentEnding ending,
                                const std::string& reason) = 0;
};

} // namespace korvelo
