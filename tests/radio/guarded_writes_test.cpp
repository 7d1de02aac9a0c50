// The guards around the radio's memory: a backup of every read (never overwritten, a folder
// that cannot be written only warns), the read-back after a write, and restore of a backup,
// on the simulated radio and the virtual clock.
#include "link/command_frame.h"
#include "radio/backup.h"
#include "radio/image_record.h"
#include "radio/radio_utilities.h"
#include "radio/restore.h"
#include "radio/tuning_start.h"
#include "radio/write_check.h"
#include "support/scratch_dir.h"
#include "support/sim_bench.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace korvelo {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TuningImage areaOf(const sim::RadioModel& radio) {
    TuningImage im;
    std::copy_n(radio.tuningArea().begin(), 256, im.bytes().begin());
    return im;
}

Bytes readBlockFrame(std::uint16_t address) {
    return hexToBytes(CommandFrame::readBlock(address));
}

TEST(Backups, TuningInitKeepsEveryReadUnderItsOwnNameAndAFolderThatFailsOnlyWarns) {
    ScratchDir dir("korvelo-backups");
    SimBench bench;
    bench.radio.radioFlags = 0x10;
    bench.radio.radioType = 5;
    bench.session.guard.backupFolder = dir / "backups";
    bench.session.guard.programVersion = "9.8.7";

    // Two reads in the same second: two backups, the second under "-2"; the serial number is
    // asked once per read, after the blocks.
    TuningInit(bench.env());
    bench.radio.tunerMode = false; // taken out of tuner mode between the reads
    TuningInit(bench.env());
    const auto frames = bench.radio.receivedFrames();
    const Bytes serial = hexToBytes(CommandFrame::noData(Cmd::SerialNumber));
    EXPECT_EQ(std::count(frames.begin(), frames.end(), serial), 2);
    EXPECT_EQ(frames[6], readBlockFrame(0x3FC0));
    EXPECT_EQ(frames[7], serial);

    auto list = listBackups(dir / "backups");
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(bench.session.guardRecord.backup, list[0].path); // newest first
    const std::string stem = "KV00012345_type5_" + list[1].facts.time;
    EXPECT_EQ(list[1].path.filename(), stem + ".tun");
    if (list[0].facts.time == list[1].facts.time) { // the virtual clock takes no wall time
        EXPECT_EQ(list[0].path.filename(), stem + "-2.tun");
    }
    const std::string tun = slurp(list[1].path);
    ASSERT_EQ(tun.size(), kTuningFileSize);
    EXPECT_EQ(tun.substr(0, 16), kMagicAk2347);
    EXPECT_EQ(Bytes(tun.begin() + 16, tun.end()),
              Bytes(bench.radio.tuningArea().begin(), bench.radio.tuningArea().end()));
    fs::path side = list[1].path;
    side.replace_extension(".json");
    EXPECT_EQ(slurp(side), "{\"serial\":\"KV00012345\",\"band_type\":5,\"memory_blocks\":256,"
                           "\"audio_processor\":\"AK2347\",\"firmware\":null,"
                           "\"program_version\":\"9.8.7\",\"time\":\"" +
                               list[1].facts.time + "\"}\n");
    EXPECT_TRUE(list[1].hasSidecar);
    EXPECT_TRUE(list[1].facts.is256BlockMemory);

    // The same facts once more, in the same second: no name is reused, no file is touched.
    const std::string before = slurp(list[1].path);
    const BackupWrite again = writeBackup(dir / "backups", {false, TuningImage{}}, list[1].facts);
    ASSERT_TRUE(again.ok()) << again.failure;
    EXPECT_NE(again.path, list[0].path);
    EXPECT_NE(again.path, list[1].path);
    EXPECT_EQ(again.path.filename().string().rfind(stem + "-", 0), 0u);
    EXPECT_EQ(slurp(list[1].path), before);
    EXPECT_EQ(listBackups(dir / "backups", std::string("KV00012345")).size(), 3u);
    EXPECT_TRUE(listBackups(dir / "backups", std::string("OTHER")).empty());

    // A folder that cannot be made (a file stands in its way; root ignores permission bits):
    // the read succeeds, a warning says why there is no backup.
    std::ofstream(dir / "blocker") << "x";
    bench.session.guard.backupFolder = dir / "blocker" / "backups";
    bench.notifier.notices.clear();
    bench.radio.tunerMode = false;
    TuningInit(bench.env());
    EXPECT_TRUE(bench.session.flags.imageLoaded);
    ASSERT_EQ(bench.notifier.notices.size(), 2u);
    EXPECT_EQ(bench.notifier.notices[0].text, "Radio has been successfully read !!");
    EXPECT_EQ(bench.notifier.notices[1].icon, Icon::Warning);
    EXPECT_EQ(bench.notifier.notices[1].text.rfind("No backup of the radio's tuning area could be "
                                                   "kept; the read itself succeeded.\n",
                                                   0),
              0u);
    EXPECT_TRUE(bench.session.guardRecord.backup.empty());
    EXPECT_FALSE(bench.session.guardRecord.backupFailure.empty());

    // A radio that does not tell its serial number is backed up as "unknown".
    bench.session.guard.backupFolder = dir / "backups";
    bench.radio.scriptAnswers(Cmd::SerialNumber, {sim::Answer::Silent});
    bench.radio.tunerMode = false;
    TuningInit(bench.env());
    EXPECT_EQ(bench.session.guardRecord.backup.filename().string().rfind("unknown_type5_", 0), 0u);
}

class RestoreTest : public ::testing::Test {
  protected:
    void SetUp() override {
        bench.radio.radioFlags = 0x10;
        bench.radio.tunerMode = true;
        Session& s = bench.session;
        s.flags.inTunerMode = true;
        s.flags.imageLoaded = true;
        s.flags.is256BlockMemory = true;
        s.image = areaOf(bench.radio);
        backup = {true, s.image};
    }
    std::vector<Bytes> frames() const { return bench.radio.receivedFrames(); }

    SimBench bench;
    TuningRecord backup;
};

// The backup differs in a power softpot, in a byte of both the CMX148 modulation and the
// CMX148 transmit setup regions, in a byte only the transmit setup writes, and in a byte no
// region writes: the power region and the transmit setup region (which holds the modulation
// region) are written, each read back; the radio then holds the backup but for the byte no
// page writes.
TEST_F(RestoreTest, WritesOnlyTheDifferingRegionsEachReadBack) {
    backup.image[0x18] ^= 0x0F;
    backup.image[0x85] ^= 0x01;
    backup.image[0x72] ^= 0x02;
    backup.image[0x00] ^= 0x80;
    EXPECT_EQ(regionsToRestore(areaOf(bench.radio), backup.image),
              (std::vector<Region>{kRegionTxPower, kRegionCmxTxSetup}));

    const RestoreResult r = RestoreBackup(bench.env(), backup);
    EXPECT_EQ(r.outcome, RestoreOutcome::Restored);
    EXPECT_EQ(r.notRestorable, std::vector<unsigned>{0x00});
    const auto f = frames();
    const std::vector<Bytes> expected = {
        readBlockFrame(0x3F00),
        readBlockFrame(0x3F40),
        readBlockFrame(0x3F80),
        readBlockFrame(0x3FC0),
        hexToBytes(writeRegionFrame(backup.image, kRegionTxPower, true)),
        readBlockFrame(0x3F00),
        hexToBytes(writeRegionFrame(backup.image, kRegionCmxTxSetup, true)),
        readBlockFrame(0x3F40),
        readBlockFrame(0x3F80),
    };
    EXPECT_EQ(f, expected);
    TuningImage want = backup.image;
    want[0x00] ^= 0x80; // no page writes it: left as the radio held it
    EXPECT_EQ(areaOf(bench.radio), want);
    EXPECT_EQ(bench.session.image, want); // the pages show what the radio holds
    ASSERT_EQ(bench.notifier.notices.size(), 1u);
    EXPECT_EQ(bench.notifier.notices[0].text,
              "The backup has been restored: 2 regions written and read back.\n1 differing bytes "
              "lie outside every region a page writes and were left as the radio holds them.");

    // Restored again: nothing differs that a region writes, nothing is written.
    bench.radio.clearReceived();
    backup.image[0x00] = areaOf(bench.radio)[0x00];
    EXPECT_EQ(RestoreBackup(bench.env(), backup).outcome, RestoreOutcome::NothingToDo);
    EXPECT_EQ(frames().size(), 4u);
    EXPECT_EQ(areaOf(bench.radio), backup.image);
}

// A radio that acknowledges writes it does not keep: the read-back finds it, names the byte
// and the region, and the image keeps what the radio holds.
TEST_F(RestoreTest, AWriteTheRadioDidNotKeepIsReportedByItsBytes) {
    backup.image[0x1A] = 33;
    bench.radio.tuningArea()[0x1A] = 31;
    bench.session.image[0x1A] = 31;
    bench.radio.faults.writes = sim::WriteFault::Lost;
    const RestoreResult r = RestoreBackup(bench.env(), backup);
    EXPECT_EQ(r.outcome, RestoreOutcome::WriteFailed);
    EXPECT_TRUE(r.written.empty());
    ASSERT_EQ(bench.notifier.notices.size(), 1u);
    EXPECT_EQ(bench.notifier.notices[0].text,
              "The radio holds other values than were written: 0x3F1A: wrote 33, read 31\n"
              "TX power (0x3F16..0x3F1F): 1 of 10 bytes differs.\n0 regions were restored "
              "before it.");
    EXPECT_EQ(bench.session.image[0x1A], 31);

    // Altered writes: the middle byte of the region comes back 2 lower.
    bench.radio.faults.writes = sim::WriteFault::Altered;
    RadioLink link(bench.linkEnv());
    link.OpenPort();
    ASSERT_EQ(
        writeRegionChecked(link, backup.image, true, 0x16, 10, 120, 3000, /*check=*/false).outcome,
        WriteOutcome::Confirmed);
    const auto bytes = backup.image.bytes().subspan(0x16, 10);
    const WriteCheck check = checkWritten(link, true, 0x16, bytes);
    EXPECT_EQ(check.outcome, CheckOutcome::Differs);
    EXPECT_EQ(check.differences, (std::vector<ByteDifference>{{0x3F1A, 33, 31}}));
    // Without an answer to the read-back nothing is claimed either way.
    bench.radio.faults.silent = true;
    EXPECT_EQ(checkWritten(link, true, 0x16, bytes).outcome, CheckOutcome::NoAnswer);
}

// What the record is told about writes.
struct WriteLog : JobRecorder {
    void radioRead(const Session&) override {}
    void identityRead(const Session&) override {}
    void regionProgrammed(const Session&, std::uint8_t offset, std::uint8_t count) override {
        programmed.push_back({offset, count});
    }
    void backupTaken(const Session&, const std::string&) override {}
    void verified(const Session&, std::uint8_t offset, std::uint8_t, bool ok,
                  const std::string& detail) override {
        checks.push_back({offset, ok, detail});
    }
    void testSetUsed(const Session&, const std::string&) override {}
    void reading(const Session&, const AlignmentReading&) override {}
    void alignmentEnded(const Session&, AlignmentEnding, const std::string&) override {}
    struct Check {
        std::uint8_t offset;
        bool ok;
        std::string detail;
    };
    std::vector<std::pair<std::uint8_t, std::uint8_t>> programmed;
    std::vector<Check> checks;
};

// A radio that stores the bytes but never acknowledges: the region is read back, the restore
// counts it as restored and says so, and the record keeps the bytes as programmed with a
// verification. Without an answer to the read-back either, nothing is claimed.
TEST_F(RestoreTest, AnUnacknowledgedWriteIsReadBackAndReportedAsTheRadioHoldsIt) {
    WriteLog log;
    bench.session.recorder = &log;
    backup.image[0x1A] = 33;
    bench.radio.tuningArea()[0x1A] = 31;
    bench.session.image[0x1A] = 31;
    bench.radio.faults.writes = sim::WriteFault::Unacknowledged;
    const RestoreResult r = RestoreBackup(bench.env(), backup);
    EXPECT_EQ(r.outcome, RestoreOutcome::Restored);
    EXPECT_EQ(r.written, std::vector<Region>{kRegionTxPower});
    EXPECT_EQ(areaOf(bench.radio)[0x1A], 33);
    EXPECT_EQ(bench.session.image[0x1A], 33);
    ASSERT_EQ(bench.notifier.notices.size(), 1u);
    EXPECT_EQ(bench.notifier.notices[0].text,
              "The backup has been restored: 1 region written and read back.\nThe radio did not "
              "acknowledge the write of TX power (0x3F16..0x3F1F), but reading it back shows it "
              "holds the bytes written.");
    EXPECT_EQ(log.programmed, (std::vector<std::pair<std::uint8_t, std::uint8_t>>{{0x16, 10}}));
    ASSERT_FALSE(log.checks.empty());
    EXPECT_TRUE(log.checks.back().ok);
    EXPECT_EQ(bench.session.record.isProgrammed[0x1A], true);

    // Neither the write nor its read-back answered: unknown, and recorded as not verified.
    bench.radio.faults.writes = sim::WriteFault::None;
    bench.radio.faults.silent = true;
    log = {};
    RadioLink link(bench.linkEnv());
    link.OpenPort();
    const RegionWriteResult w =
        programRegionFrom(link, bench.session, backup.image, kRegionTxPower, 120, 3000);
    EXPECT_EQ(w.outcome, WriteOutcome::NoAnswer);
    EXPECT_EQ(w.held, WriteHeld::Unknown);
    EXPECT_TRUE(w.message.starts_with("The radio did not acknowledge the write of TX power "
                                      "(0x3F16..0x3F1F), and the read-back got no answer: it "
                                      "is not known what it holds.\nNo answer to the read of "
                                      "block 0x3F00"))
        << w.message;
    EXPECT_TRUE(log.programmed.empty());
    ASSERT_EQ(log.checks.size(), 1u);
    EXPECT_FALSE(log.checks[0].ok);

    // The radio answers again but refuses the write and holds the old bytes: not taken.
    bench.radio.faults.silent = false;
    bench.radio.scriptAnswers(Cmd::WriteRegion, {sim::Answer::Nak});
    backup.image[0x1B] ^= 0x40;
    const RegionWriteResult refused =
        programRegionFrom(link, bench.session, backup.image, kRegionTxPower, 120, 3000);
    EXPECT_EQ(refused.outcome, WriteOutcome::Refused);
    EXPECT_EQ(refused.held, WriteHeld::NotTaken);
}

// With the record kept, a read asks each identity item once: the serial number for the
// backup's name after the blocks, then the firmware version and the country code.
TEST(Backups, AReadAsksEachIdentityItemOnce) {
    ScratchDir dir("korvelo-identity");
    SimBench bench;
    WriteLog log;
    bench.session.recorder = &log;
    bench.session.guard.backupFolder = dir / "backups";
    ASSERT_TRUE(TuningInit(bench.env()));
    identifyForRecord(bench.env());
    const auto frames = bench.radio.receivedFrames();
    ASSERT_GE(frames.size(), 3u);
    EXPECT_EQ(std::vector<Bytes>(frames.end() - 4, frames.end()),
              (std::vector<Bytes>{readBlockFrame(0x1FC0),
                                  hexToBytes(CommandFrame::noData(Cmd::SerialNumber)),
                                  hexToBytes(CommandFrame::noData(Cmd::FwVersion)),
                                  hexToBytes(CommandFrame::noData(Cmd::CountryCode))}));
    EXPECT_EQ(bench.session.identity.serialNumber, "KV00012345");
    EXPECT_EQ(bench.session.identity.fwVersion, "R03.00");
    EXPECT_TRUE(bench.session.identity.country.has_value());
}

// Refused before anything is sent: out of tuner mode, or a backup of the other chip.
TEST_F(RestoreTest, RefusesWithoutTunerModeAndForTheOtherChip) {
    backup.image[0x18] ^= 1;
    bench.session.flags.inTunerMode = false;
    EXPECT_EQ(RestoreBackup(bench.env(), backup).outcome, RestoreOutcome::NotInTunerMode);
    bench.session.flags.inTunerMode = true;
    backup.isAk2347Radio = false;
    EXPECT_EQ(RestoreBackup(bench.env(), backup).outcome, RestoreOutcome::OtherChip);
    EXPECT_TRUE(frames().empty());
}

} // namespace
} // namespace korvelo
