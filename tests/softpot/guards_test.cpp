// The guards on the Transmit Power page, on the simulated radio and the virtual clock: a
// Program is read back (a write the radio did not keep is no Program), and the transmit
// watchdog unkeys once at the limit.
#include "power_page_fixture.h"
#include "radio/backup.h"
#include "radio/tuning_start.h"
#include "support/scratch_dir.h"

namespace korvelo {
namespace {

using ::testing::ElementsAre;

TuningImage radioArea(const sim::RadioModel& radio) {
    TuningImage im;
    std::copy_n(radio.tuningArea().begin(), TuningImage::kSize, im.bytes().begin());
    return im;
}

TEST_F(PowerPageTest, AWriteTheRadioDidNotKeepIsReportedAndNoProgram) {
    bench.radio.setTuningArea(bench.session.image.bytes()); // the radio holds the image
    drag(High3, 33);                                        // stored 24, at image byte 0x1A
    for (const auto& [fault, read] :
         {std::pair{sim::WriteFault::Lost, 24}, std::pair{sim::WriteFault::Altered, 31}}) {
        bench.radio.faults.writes = fault;
        bench.notifier.notices.clear();
        page->program();
        EXPECT_EQ(notices(),
                  (std::vector<Notice>{{"The radio holds other values than were written: 0x1F1A: "
                                        "wrote 33, read " +
                                            std::to_string(read) +
                                            "\nTX power (0x1F16..0x1F1F): 1 of 10 bytes differs.",
                                        Icon::Exclamation}}));
        EXPECT_EQ(page->row(High3).controls.defaultSoftpot, "24") << "nothing shown as programmed";
        EXPECT_EQ(working(High3), "33") << "the page keeps its values";
        EXPECT_EQ(page->statusText(), "The radio holds other values than Program wrote: the new "
                                      "values are only in the tuning image.");
        EXPECT_EQ(page->unprogrammedCount(), 1);
    }
}

// Without the fault: the backup of the read, the Program and its read-back leave the radio
// holding exactly the programmed bytes, and the backup what it held before.
TEST_F(PowerPageTest, BackupProgramAndReadBackLeaveTheRadioHoldingWhatWasProgrammed) {
    ScratchDir dir("korvelo-guarded-program");
    bench.session.guard.backupFolder = dir / "backups";
    TuningInit(bench.env());
    const TuningImage before = radioArea(bench.radio);
    openPage();
    drag(Low2, 9);
    drag(High5, 60);
    bench.radio.clearReceived();
    page->program();
    EXPECT_THAT(frames(),
                ElementsAre(frame(writeRegionFrame(bench.session.image, kRegionTxPower, false)),
                            frame(CommandFrame::readBlock(0x1F00))));
    EXPECT_EQ(radioArea(bench.radio), bench.session.image);
    TuningImage expected = before;
    expected[img::txPowerLow(2)] = 9;
    expected[img::txPowerHigh(5)] = 60;
    EXPECT_EQ(radioArea(bench.radio), expected);
    EXPECT_EQ(page->row(Low2).controls.defaultSoftpot, "9");
    const auto backups = listBackups(dir / "backups");
    ASSERT_EQ(backups.size(), 1u);
    Session fromBackup;
    ASSERT_TRUE(OpenTuningFile(fromBackup, backups[0].path, bench.notifier));
    EXPECT_EQ(fromBackup.image, before);
    EXPECT_EQ(notices(),
              (std::vector<Notice>{{"Radio has been successfully read !!", Icon::Information}}));
}

// Keyed at a row, the page unkeys at the limit exactly once, as "PTT Toggle" would; the last
// ten seconds are counted down; a value sent while keyed starts the count again.
TEST_F(PowerPageTest, TheWatchdogUnkeysOnceAtTheLimitAndACommitRestartsIt) {
    drag(High1, 30);
    page->pttToggle();
    ASSERT_TRUE(bench.radio.pttOn);
    EXPECT_EQ(page->secondsToUnkey(), std::optional<int>(60));
    bench.clock.sleepMs(49'000);
    page->tick();
    EXPECT_EQ(page->statusText().find("unkeyed in"), std::string::npos);
    bench.clock.sleepMs(1'000);
    page->tick();
    EXPECT_NE(page->statusText().find(" The transmitter is unkeyed in 10 s to protect the radio."),
              std::string::npos)
        << page->statusText();

    bench.radio.clearReceived();
    drag(High1, 31); // a commit on the keyed row: sent live, the count starts again
    ASSERT_EQ(frames(), std::vector<std::string>{power(31)});
    const std::int64_t sentAt = bench.radio.received().back().atMs;
    EXPECT_EQ(page->secondsToUnkey(), std::optional<int>(60));
    bench.clock.sleepMs(static_cast<int>(sentAt + 60'000 - 1 - bench.clock.nowMs()));
    page->tick();
    EXPECT_EQ(frames().size(), 1u) << "nothing before the limit";
    bench.clock.sleepMs(1);
    page->tick();
    ASSERT_EQ(frames(), (std::vector<std::string>{power(31), pttOff()}));
    EXPECT_EQ(bench.radio.received().back().atMs, sentAt + 60'000);
    EXPECT_FALSE(bench.radio.pttOn);
    EXPECT_EQ(page->pttCaption(), "PTT OFF");
    EXPECT_FALSE(page->keyed());
    EXPECT_EQ(page->statusText(), "Transmitter unkeyed after 60 s to protect the radio.");
    for (int i = 0; i < 3; ++i) {
        bench.clock.sleepMs(60'000);
        page->tick();
    }
    EXPECT_EQ(frames().size(), 2u) << "once";

    // The limit is the session's, within 10..600 s.
    bench.session.guard.transmitLimitS = 3;
    page->pttToggle();
    EXPECT_EQ(page->secondsToUnkey(), std::optional<int>(10));
}

} // namespace
} // namespace korvelo
