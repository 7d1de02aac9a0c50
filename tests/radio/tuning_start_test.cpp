// Tuning Init against the simulated radio on virtual time: the frames on the wire, every
// pause and wait, the messages and the flags, for a complete run and for each early end.
#include "radio/tuning_start.h"
#include "support/clock_steps.h"
#include "support/sim_bench.h"

#include <gtest/gtest.h>

namespace korvelo {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Step = VirtualClock::Step;
using Answer = sim::Answer;

using timeline::sleep;
using timeline::wait;

const Bytes kEnter{0x02, 0x02, 0x40, 0x42, 0x03};
const Bytes kFlags{0x02, 0x02, 0x92, 0x94, 0x03};
const Bytes kType{0x02, 0x02, 0x78, 0x7A, 0x03};
const Bytes kReset{0x02, 0x02, 0x72, 0x74, 0x03};
Bytes readBlock(std::uint8_t hi, std::uint8_t lo, std::uint8_t sum) {
    return {0x02, 0x02, 0x02, hi, lo, 0x00, 0x40, sum, 0x03};
}

// The first steps of every run that gets as far as the block reads.
std::vector<Step> stepsBeforeRead() {
    return {sleep(100), sleep(100), wait(5000), sleep(100),
            wait(2500), sleep(100), wait(2500), sleep(80)};
}

// Notes, for each message, whether the port was open when it was shown.
struct PortWatch : Notifier {
    explicit PortWatch(sim::SimPortProvider& p) : ports(p) {}
    void notify(const std::string& text, Icon icon) override {
        notices.push_back({text, icon});
        openAtNotice.push_back(ports.openChannels());
    }
    sim::SimPortProvider& ports;
    std::vector<Notice> notices;
    std::vector<int> openAtNotice;
};

class TuningInitTest : public ::testing::Test {
  protected:
    TuningInitTest() {
        // Earlier work in the image, to see what a run keeps and what it replaces.
        for (unsigned i = 0; i < 256; ++i)
            bench.session.image[i] = 0xEE;
        old = bench.session.image;
    }
    void run() {
        AppEnv env{bench.session, bench.replies, bench.clock, watch, bench.ports};
        TuningInit(env, [&](int block, int blocks) {
            progress.emplace_back(block, blocks);
            if (onBlock)
                onBlock(block);
        });
    }
    TuningImage radioArea() {
        TuningImage im;
        std::copy_n(bench.radio.tuningArea().begin(), 256, im.bytes().begin());
        return im;
    }
    const RadioStateFlags& flags() { return bench.session.flags; }

    SimBench bench;
    PortWatch watch{bench.ports};
    TuningImage old;
    std::vector<std::pair<int, int>> progress;
    std::function<void(int)> onBlock;
};

TEST_F(TuningInitTest, Reads256BlockAk2347Radio) {
    bench.radio.radioFlags = 0x10;
    bench.radio.radioType = 4;
    bench.session.isVhfRadio = true;
    run();

    EXPECT_EQ(bench.radio.receivedFrames(),
              (std::vector<Bytes>{kEnter, kFlags, kType, readBlock(0x3F, 0x00, 0x83),
                                  readBlock(0x3F, 0x40, 0xC3), readBlock(0x3F, 0x80, 0x03),
                                  readBlock(0x3F, 0xC0, 0x43)}));
    auto steps = stepsBeforeRead();
    for (int k = 0; k < 4; ++k) {
        steps.push_back(sleep(130));
        steps.push_back(wait(3000));
    }
    EXPECT_EQ(bench.clock.steps(), steps);
    EXPECT_EQ(bench.session.image, radioArea());
    EXPECT_TRUE(flags().inTunerMode);
    EXPECT_TRUE(flags().is256BlockMemory);
    EXPECT_TRUE(flags().isAk2347Radio);
    EXPECT_TRUE(flags().imageLoaded);
    EXPECT_EQ(flags().spacingTabsEnabled, 1);
    EXPECT_EQ(bench.session.radioType, 4);
    EXPECT_FALSE(bench.session.isVhfRadio);
    EXPECT_EQ(watch.notices,
              (std::vector<Notice>{{"Radio has been successfully read !!", Icon::Information}}));
    EXPECT_EQ(watch.openAtNotice, std::vector<int>{0}); // shown after the port was closed
    EXPECT_EQ(progress, (std::vector<std::pair<int, int>>{{0, 4}, {1, 4}, {2, 4}, {3, 4}, {4, 4}}));
    EXPECT_EQ(bench.replies.replyStatus.load(), kStatusNone);
}

TEST_F(TuningInitTest, Reads128BlockCmx148Radio) {
    bench.radio.radioFlags = 0x20;
    bench.radio.radioType = 0;
    bench.session.flags.isAk2347Radio = true;
    bench.session.flags.is256BlockMemory = true; // from an earlier radio
    run();

    const auto frames = bench.radio.receivedFrames();
    ASSERT_EQ(frames.size(), 7u);
    EXPECT_EQ(std::vector<Bytes>(frames.begin() + 3, frames.end()),
              (std::vector<Bytes>{readBlock(0x1F, 0x00, 0x63), readBlock(0x1F, 0x40, 0xA3),
                                  readBlock(0x1F, 0x80, 0xE3), readBlock(0x1F, 0xC0, 0x23)}));
    EXPECT_EQ(bench.session.image, radioArea());
    EXPECT_FALSE(flags().isAk2347Radio);
    EXPECT_FALSE(flags().is256BlockMemory);
    EXPECT_TRUE(bench.session.isVhfRadio);
    EXPECT_TRUE(flags().imageLoaded);
}

TEST_F(TuningInitTest, RadioTypeAbove12CompletesAndKeepsTheVhfFlag) {
    for (std::uint8_t type : {13, 200, 255}) {
        for (bool vhf : {false, true}) {
            SimBench b;
            b.radio.radioType = type;
            b.session.isVhfRadio = vhf;
            TuningInit(b.env());
            EXPECT_TRUE(b.session.flags.imageLoaded);
            EXPECT_EQ(b.session.radioType, type);
            EXPECT_EQ(b.session.isVhfRadio, vhf) << "type " << int{type};
        }
    }
}

// A second Tuning Init, refused: what the first one made known stays (tuner mode, the backup
// taken then, the image), and the message says how to take the radio out of tuner mode.
TEST_F(TuningInitTest, RadioAlreadyInTunerModeNaksFiveTimes) {
    bench.radio.tunerMode = true;
    bench.session.flags.inTunerMode = true;
    bench.session.guardRecord.backup = "/backups/KV00012345_type5_20261209T101010Z.tun";
    bench.session.guardRecord.serialNumber = "KV00012345";
    const GuardRecord guarded = bench.session.guardRecord;
    run();

    EXPECT_EQ(bench.radio.receivedFrames(), std::vector<Bytes>(5, kEnter));
    std::vector<Step> steps{sleep(100)};
    for (int k = 0; k < 5; ++k)
        steps.insert(steps.end(), {sleep(100), wait(5000), sleep(80)});
    EXPECT_EQ(bench.clock.steps(), steps);
    EXPECT_EQ(watch.notices,
              (std::vector<Notice>{{"This radio is already in Tuner Mode.\nAn earlier run may "
                                    "have left it there: Reset, or korvelo-cli leave, takes it "
                                    "out of tuner mode.",
                                    Icon::Information}}));
    EXPECT_EQ(bench.replies.replyStatus.load(), kStatusNone);
    EXPECT_TRUE(flags().inTunerMode);
    EXPECT_EQ(bench.session.guardRecord.backup, guarded.backup);
    EXPECT_EQ(bench.session.guardRecord.serialNumber, guarded.serialNumber);
    EXPECT_EQ(bench.session.image, old);
    EXPECT_TRUE(progress.empty());
}

TEST_F(TuningInitTest, FiveUnreadableAnswersToEnterTunerMode) {
    bench.radio.scriptAnswers(Cmd::EnterTunerMode, std::vector<Answer>(5, Answer::WrongChecksum));
    run();
    EXPECT_EQ(bench.radio.receivedFrames().size(), 5u);
    EXPECT_EQ(watch.notices, (std::vector<Notice>{{"Please check the radio status.\nIts "
                                                   "answers to tuner mode could not be read (a "
                                                   "bad checksum or a broken frame).",
                                                   Icon::Information}}));
    EXPECT_FALSE(flags().inTunerMode);
}

TEST_F(TuningInitTest, RadioThatNeverAnswers) {
    bench.radio.faults.silent = true;
    bench.session.flags.inTunerMode = true;
    run();

    EXPECT_EQ(bench.radio.receivedFrames(), std::vector<Bytes>{kEnter});
    EXPECT_EQ(bench.clock.steps(), (std::vector<Step>{sleep(100), sleep(100), wait(5000, false)}));
    EXPECT_EQ(watch.notices,
              (std::vector<Notice>{{"Please Power On or Change the cable.", Icon::Information}}));
    EXPECT_FALSE(flags().inTunerMode);
    EXPECT_EQ(bench.ports.openChannels(), 0);
}

// One failure count covers the whole read: a failure on each of the first three blocks uses up
// the repeats, so the first failure on the fourth ends the run.
TEST_F(TuningInitTest, BlockFailuresAreCountedAcrossTheWholeRead) {
    bench.radio.radioFlags = 0x10;
    bench.session.flags.imageLoaded = false;
    bench.radio.scriptAnswers(Cmd::ReadBlock,
                              {Answer::Nak, Answer::Normal, Answer::Silent, Answer::Normal,
                               Answer::WrongChecksum, Answer::Normal, Answer::Nak});
    run();

    const auto frames = bench.radio.receivedFrames();
    ASSERT_EQ(frames.size(), 3u + 7u + 1u);
    EXPECT_EQ(frames[3], readBlock(0x3F, 0x00, 0x83));
    EXPECT_EQ(frames[4], readBlock(0x3F, 0x00, 0x83)); // the same block again
    EXPECT_EQ(frames[9], readBlock(0x3F, 0xC0, 0x43));
    EXPECT_EQ(frames.back(), kReset);

    auto steps = stepsBeforeRead();
    const std::pair<int, bool> reads[] = {{130, true}, {140, true}, {140, false}, {150, true},
                                          {150, true}, {160, true}, {160, true}};
    for (auto [pause, signalled] : reads)
        steps.insert(steps.end(), {sleep(pause), wait(3000, signalled)});
    steps.push_back(sleep(100)); // after the reset, which is not awaited
    EXPECT_EQ(bench.clock.steps(), steps);

    // The cause on a second line: the last try of block 4 was refused.
    EXPECT_EQ(watch.notices, (std::vector<Notice>{{"Read Radio Fail !! Please try again.\nThe "
                                                   "radio refused the read of block 0x3FC0 (NAK).",
                                                   Icon::Exclamation}}));
    EXPECT_TRUE(flags().inTunerMode); // although the reset went out
    EXPECT_FALSE(flags().imageLoaded);
    EXPECT_EQ(flags().spacingTabsEnabled, 0);
    // Three blocks had come in, but an image mixed from two sources is never kept.
    EXPECT_EQ(bench.session.image, old);
    EXPECT_EQ(progress.back(), (std::pair<int, int>{3, 4}));
}

TEST_F(TuningInitTest, ThreeRepeatsAreAllowed) {
    bench.radio.scriptAnswers(Cmd::ReadBlock, {Answer::Nak, Answer::Normal, Answer::Nak,
                                               Answer::Normal, Answer::Nak, Answer::Normal});
    run();
    EXPECT_TRUE(flags().imageLoaded);
    EXPECT_EQ(bench.session.image, radioArea());
    EXPECT_EQ(bench.clock.steps().at(bench.clock.steps().size() - 2), sleep(160));
}

TEST_F(TuningInitTest, RadioThatStopsAnsweringInTheMiddleOfTheRead) {
    onBlock = [&](int block) {
        if (block == 2)
            bench.radio.faults.silent = true; // switched off after the second block
    };
    run();

    auto steps = stepsBeforeRead();
    steps.insert(steps.end(), {sleep(130), wait(3000), sleep(130), wait(3000)});
    for (int pause : {130, 140, 150, 160})
        steps.insert(steps.end(), {sleep(pause), wait(3000, false)});
    steps.push_back(sleep(100));
    EXPECT_EQ(bench.clock.steps(), steps);
    EXPECT_EQ(bench.radio.receivedFrames().back(), kReset);
    EXPECT_EQ(watch.notices,
              (std::vector<Notice>{{"Read Radio Fail !! Please try again.\nNo answer to the read "
                                    "of block 0x1F80 within 3,000 ms.",
                                    Icon::Exclamation}}));
    EXPECT_EQ(bench.session.image, old);
    EXPECT_EQ(bench.ports.openChannels(), 0);
}

TEST_F(TuningInitTest, RadioTypeNotReadable) {
    bench.radio.radioFlags = 0x30;
    bench.session.radioType = 9;
    bench.radio.scriptAnswers(Cmd::RadioType, std::vector<Answer>(5, Answer::Nak));
    run();

    const auto frames = bench.radio.receivedFrames();
    EXPECT_EQ(std::count(frames.begin(), frames.end(), kType), 5);
    EXPECT_EQ(frames.size(), 7u);
    EXPECT_EQ(watch.notices,
              (std::vector<Notice>{
                  {"Fail to read radio informatiom. Please try again ", Icon::Exclamation}}));
    EXPECT_TRUE(flags().inTunerMode);
    EXPECT_TRUE(flags().is256BlockMemory);
    EXPECT_FALSE(flags().isAk2347Radio);
    EXPECT_EQ(bench.session.radioType, 9);
    EXPECT_EQ(bench.session.image, old);
}

TEST_F(TuningInitTest, RadioTypeTimeOut) {
    bench.radio.scriptAnswers(Cmd::RadioType, {Answer::Nak, Answer::Silent});
    run();
    EXPECT_EQ(watch.notices,
              (std::vector<Notice>{{"Please Power On or Change the cable.", Icon::Information}}));
    EXPECT_EQ(bench.radio.receivedFrames().size(), 4u);
}

// The flags are asked for once more before the radio is taken for a 128-block one (the chip
// flag keeping its value), and the success message then says how the radio was read.
TEST_F(TuningInitTest, NoAnswerToRadioFlags) {
    bench.radio.radioFlags = 0x30;
    bench.session.flags.isAk2347Radio = false;
    bench.session.flags.is256BlockMemory = true;
    bench.radio.scriptAnswers(Cmd::RadioFlags, {Answer::Silent, Answer::WrongChecksum});
    run();
    EXPECT_EQ(bench.clock.steps().at(4), wait(2500, false));
    EXPECT_EQ(bench.clock.steps().at(6), wait(2500));
    EXPECT_FALSE(flags().is256BlockMemory);
    EXPECT_FALSE(flags().isAk2347Radio);
    EXPECT_EQ(bench.radio.receivedFrames().at(2), kFlags);
    EXPECT_EQ(bench.radio.receivedFrames().at(4), readBlock(0x1F, 0x00, 0x63));
    EXPECT_EQ(watch.notices, (std::vector<Notice>{{"Radio has been successfully read !!\n"
                                                   "The radio did not report its memory size and "
                                                   "audio processor; it was read as a 128-block "
                                                   "CMX148 radio.",
                                                   Icon::Information}}));

    // One lost reply: the second ask finds the 256-block CMX148 radio, and nothing is added.
    SimBench b;
    b.radio.radioFlags = 0x30;
    b.radio.scriptAnswers(Cmd::RadioFlags, {Answer::Silent});
    TuningInit(b.env());
    EXPECT_TRUE(b.session.flags.is256BlockMemory);
    EXPECT_FALSE(b.session.flags.isAk2347Radio);
    EXPECT_EQ(b.radio.receivedFrames().at(4), readBlock(0x3F, 0x00, 0x83));
    EXPECT_EQ(b.notifier.notices,
              (std::vector<Notice>{{"Radio has been successfully read !!", Icon::Information}}));
}

// A block is taken only from a reply with its own address and 64 bytes. A late answer (past
// the 3,000 ms wait), another block's, a stale copy of the previous one and a short one each
// count as a failed try; the read ends with the radio's bytes, or with the failure message
// and the old image, never with other bytes and success.
TEST_F(TuningInitTest, OnlyTheRequestedBlockIsStored) {
    for (Answer fault : {Answer::Late, Answer::OtherBlock, Answer::Twice, Answer::Short}) {
        for (int faults : {1, 4}) {
            SimBench b;
            b.radio.radioFlags = 0x10;
            for (unsigned i = 0; i < 256; ++i)
                b.session.image[i] = 0xEE;
            const TuningImage before = b.session.image;
            b.radio.scriptAnswers(Cmd::ReadBlock, std::vector<Answer>(faults, fault));
            TuningInit(b.env());
            TuningImage area;
            std::copy_n(b.radio.tuningArea().begin(), 256, area.bytes().begin());
            const std::string what =
                "fault " + std::to_string(static_cast<int>(fault)) + " x" + std::to_string(faults);
            ASSERT_EQ(b.notifier.notices.size(), 1u) << what;
            // A late or repeated answer to the same block is that block's bytes after all.
            const bool mustFail =
                faults == 4 && (fault == Answer::OtherBlock || fault == Answer::Short);
            if (b.session.flags.imageLoaded && !mustFail) {
                EXPECT_EQ(b.notifier.notices[0].text, "Radio has been successfully read !!")
                    << what;
                EXPECT_EQ(b.session.image, area) << what;
            } else {
                EXPECT_TRUE(b.notifier.notices[0].text.starts_with(
                    "Read Radio Fail !! Please try again.\nThe answer to the read of block "
                    "0x3F00 carried block "))
                    << what << b.notifier.notices[0].text;
                EXPECT_EQ(b.session.image, before) << what;
                EXPECT_FALSE(b.session.flags.imageLoaded) << what;
            }
        }
    }
}

// Every wait of the run says what it waits for, with the try; the text goes when the run ends.
// Tuner mode and the radio type end at their first time-out, so their try shows once repeated.
TEST_F(TuningInitTest, WaitsSayWhatTheyWaitFor) {
    SimBench b;
    b.radio.scriptAnswers(Cmd::EnterTunerMode, {Answer::Nak});
    b.radio.scriptAnswers(Cmd::RadioType, {Answer::Nak});
    b.radio.scriptAnswers(Cmd::ReadBlock, {Answer::Normal, Answer::Nak, Answer::Normal, Answer::Nak,
                                           Answer::Nak, Answer::Normal});
    TuningInit(b.env());
    EXPECT_EQ(b.notifier.statuses, (std::vector<std::string>{
                                       "Waiting for the radio: tuner mode",
                                       "Waiting for the radio: tuner mode, try 2 of 5",
                                       "Waiting for the radio: radio flags, try 1 of 2",
                                       "Waiting for the radio: radio type",
                                       "Waiting for the radio: radio type, try 2 of 5",
                                       "Waiting for the radio: block 1 of 4, try 1 of 4",
                                       "Waiting for the radio: block 2 of 4, try 1 of 4",
                                       "Waiting for the radio: block 2 of 4, try 2 of 4",
                                       "Waiting for the radio: block 3 of 4, try 1 of 3",
                                       "Waiting for the radio: block 3 of 4, try 2 of 3",
                                       "Waiting for the radio: block 3 of 4, try 3 of 3",
                                       "Waiting for the radio: block 4 of 4, try 1 of 1",
                                       "",
                                   }));
    EXPECT_TRUE(b.session.flags.imageLoaded);
}

// The program starts out assuming an AK2347 radio; a first Tuning Init whose flags reply is
// lost keeps that assumption rather than taking the radio for a CMX148 one.
TEST_F(TuningInitTest, FirstRunWithoutFlagsReplyAssumesAnAk2347Radio) {
    ASSERT_FALSE(flags().imageLoaded) << "a session as the program starts it";
    bench.radio.scriptAnswers(Cmd::RadioFlags, {Answer::Silent});
    run();
    EXPECT_TRUE(flags().imageLoaded);
    EXPECT_TRUE(flags().isAk2347Radio);
}

TEST_F(TuningInitTest, PortThatCannotBeOpenedIsReportedOnce) {
    bench.ports.failOpen = true;
    bench.session.flags.inTunerMode = true;
    run();
    EXPECT_TRUE(bench.radio.receivedFrames().empty());
    ASSERT_EQ(watch.notices.size(), 1u);
    EXPECT_EQ(watch.notices[0].text.substr(0, 14), "Fail Port open");
    EXPECT_TRUE(flags().portFault);
    EXPECT_FALSE(flags().inTunerMode);
    EXPECT_TRUE(bench.clock.steps().empty());

    // The cable is back: the next Tuning Init opens the port and reads the radio, although
    // nothing else has cleared the fault in the meantime.
    bench.ports.failOpen = false;
    watch.notices.clear();
    run();
    EXPECT_FALSE(flags().portFault);
    EXPECT_TRUE(flags().imageLoaded);
    ASSERT_EQ(watch.notices.size(), 1u);
    EXPECT_EQ(watch.notices[0].text, "Radio has been successfully read !!");
}

} // namespace
} // namespace korvelo
