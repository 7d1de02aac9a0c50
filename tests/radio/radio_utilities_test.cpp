// Reset, the information reads and leaving tuner mode against the simulated radio.
#include "link/radio_link.h"
#include "radio/image_record.h"
#include "radio/radio_utilities.h"
#include "radio/tuning_regions.h"
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

const Bytes kReset{0x02, 0x02, 0x72, 0x74, 0x03};

TEST(ResetRadio, SucceedsOnTheThirdAttempt) {
    SimBench b;
    b.session.flags = {.inTunerMode = true,
                       .isAk2347Radio = false,
                       .is256BlockMemory = true,
                       .imageLoaded = true,
                       .spacingTabsEnabled = 1,
                       .portFault = false};
    b.radio.scriptAnswers(Cmd::Reset, {Answer::Nak, Answer::Silent});
    EXPECT_TRUE(ResetRadio(b.env()));

    EXPECT_EQ(b.radio.receivedFrames(), std::vector<Bytes>(3, kReset));
    EXPECT_EQ(b.clock.steps(), (std::vector<Step>{sleep(100), wait(2500), sleep(100),
                                                  wait(2500, false), sleep(100), wait(2500)}));
    EXPECT_TRUE(b.notifier.notices.empty());
    EXPECT_FALSE(b.session.flags.inTunerMode);
    EXPECT_FALSE(b.session.flags.imageLoaded); // Save is no longer offered
    EXPECT_EQ(b.session.flags.spacingTabsEnabled, 1);
    EXPECT_FALSE(b.session.flags.isAk2347Radio);
    EXPECT_TRUE(b.session.flags.is256BlockMemory);
    EXPECT_EQ(b.replies.replyStatus.load(), kStatusNone);
    EXPECT_EQ(b.ports.openChannels(), 0);
}

TEST(ResetRadio, FiveFailedAttemptsChangeNoFlag) {
    SimBench b;
    b.session.flags.inTunerMode = true;
    b.session.flags.imageLoaded = true;
    b.radio.faults.nakAll = true;
    EXPECT_FALSE(ResetRadio(b.env()));
    EXPECT_EQ(b.radio.receivedFrames(), std::vector<Bytes>(5, kReset));
    EXPECT_EQ(b.notifier.notices,
              (std::vector<Notice>{{"Radio Communication Error!!", Icon::Exclamation}}));
    EXPECT_TRUE(b.session.flags.inTunerMode);
    EXPECT_TRUE(b.session.flags.imageLoaded);
    // The 13 s of tries say what they wait for; the text goes when the port closes.
    std::vector<std::string> statuses;
    for (int k = 1; k <= 5; ++k)
        statuses.push_back("Waiting for the radio: Reset, try " + std::to_string(k) + " of 5");
    statuses.push_back("");
    EXPECT_EQ(b.notifier.statuses, statuses);
}

TEST(ReadInfo, FirmwareVersionPrefixes) {
    const std::pair<std::array<std::uint8_t, 5>, const char*> cases[] = {
        {{'D', '1', '2', '3', '4'}, "D12.34"},
        {{'R', '0', '3', '0', '0'}, "R03.00"},
        {{'d', '0', '1', '0', '2'}, "R01.02"},
        {{0x00, '9', '9', '0', '1'}, "R99.01"},
    };
    for (const auto& [fw, text] : cases) {
        SimBench b;
        b.radio.fwVersion = fw;
        EXPECT_EQ(ReadFwVersion(b.env()), text);
        EXPECT_EQ(b.radio.receivedFrames(), (std::vector<Bytes>{{0x02, 0x02, 0x70, 0x72, 0x03}}));
        EXPECT_EQ(b.clock.steps(), (std::vector<Step>{sleep(100), wait(5000)}));
        EXPECT_TRUE(b.notifier.notices.empty());
        EXPECT_EQ(b.replies.replyStatus.load(), kStatusNone);
    }
}

TEST(ReadInfo, SerialNumberSkipsZeroBytes) {
    SimBench b;
    EXPECT_EQ(ReadSerialNumber(b.env()), "KV00012345");
    b.radio.serialNumber = {'A', 'B', 0, 'C', 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(ReadSerialNumber(b.env()), "ABC");
    EXPECT_EQ(b.radio.receivedFrames().back(), (Bytes{0x02, 0x02, 0x76, 0x78, 0x03}));
}

TEST(ReadInfo, CountryCodesSelectTheirEntries) {
    const std::pair<std::uint8_t, int> cases[] = {{0, 0}, {1, 1}, {2, 2}, {7, -1}, {255, 0}};
    for (auto [code, index] : cases) {
        SimBench b;
        b.radio.countryCode = code;
        EXPECT_EQ(ReadCountryCode(b.env()), index) << "code " << int{code};
        EXPECT_EQ(b.radio.receivedFrames().back(), (Bytes{0x02, 0x02, 0x7E, 0x80, 0x03}));
    }
    EXPECT_EQ(kCountryEntries[1], "Australia");
    EXPECT_EQ(kCountryEntries[2], "None");
}

// A switched-off radio gives no value at all (no "00.00" that looks like an answer).
TEST(ReadInfo, SwitchedOffRadioGivesNoValue) {
    SimBench b;
    b.radio.faults.silent = true;
    EXPECT_EQ(ReadFwVersion(b.env()), std::nullopt);
    EXPECT_EQ(ReadSerialNumber(b.env()), std::nullopt);
    EXPECT_EQ(ReadCountryCode(b.env()), std::nullopt);
    EXPECT_EQ(b.notifier.notices,
              std::vector<Notice>(3, {"Please Power On or Change the cable.", Icon::Information}));
    EXPECT_EQ(b.notifier.statuses,
              (std::vector<std::string>{"Waiting for the radio: FW Version", "",
                                        "Waiting for the radio: Serial Number", "",
                                        "Waiting for the radio: Country Code", ""}));
    EXPECT_EQ(b.clock.steps().size(), 6u);
    EXPECT_EQ(b.clock.steps()[1], wait(5000, false));
    EXPECT_EQ(b.ports.openChannels(), 0);
}

TEST(ReadInfo, AnswerThatIsNotDataShowsReadFail) {
    SimBench b;
    b.radio.faults.nakAll = true;
    EXPECT_EQ(ReadFwVersion(b.env()), "Read Fail !");
    EXPECT_EQ(b.replies.replyStatus.load(), kStatusNak); // left as it stands
    EXPECT_EQ(ReadSerialNumber(b.env()), "Read Fail !");
    EXPECT_EQ(ReadCountryCode(b.env()), 0);
    EXPECT_TRUE(b.notifier.notices.empty());
}

// Only the bytes the reply declares are data: its checksum and end byte are not characters.
TEST(ReadInfo, ShortReplyGivesOnlyItsDeclaredBytes) {
    SimBench b;
    b.radio.scriptAnswers(Cmd::SerialNumber, {Answer::Short});
    b.radio.scriptAnswers(Cmd::FwVersion, {Answer::Short});
    const InfoRead serial = readRadioInfo(b.env(), Cmd::SerialNumber, 10);
    EXPECT_EQ(serial.data, (Bytes{'K', 'V', '0', '0', '0'}));
    EXPECT_EQ(ReadSerialNumber(b.env()), "KV00012345"); // the next reply is whole again
    EXPECT_EQ(ReadFwVersion(b.env()), "R0.");
}

TEST(ReadInfo, PortFailureIsReportedOnce) {
    SimBench b;
    b.ports.failOpen = true;
    EXPECT_EQ(ReadFwVersion(b.env()), std::nullopt);
    ASSERT_EQ(b.notifier.notices.size(), 1u);
    EXPECT_EQ(b.notifier.notices[0].text.substr(0, 14), "Fail Port open");
    EXPECT_TRUE(b.clock.steps().empty());
    // From now on the gate refuses the gated commands.
    EXPECT_FALSE(passPortFaultGate(b.env()));
    // The gate's message carries the port's last reason on its second line.
    EXPECT_EQ(b.notifier.notices.back(),
              (Notice{"Radio Communication Error!!\nbusy", Icon::Exclamation}));
}

TEST(LeaveTunerMode, OnlyWhileInTunerMode) {
    SimBench b;
    LeaveTunerMode(b.env());
    EXPECT_EQ(b.ports.opens(), 0);
    EXPECT_TRUE(b.radio.receivedFrames().empty());

    b.session.flags.inTunerMode = true;
    b.radio.tunerMode = true;
    LeaveTunerMode(b.env());
    EXPECT_EQ(b.radio.receivedFrames(), (std::vector<Bytes>{{0x02, 0x02, 0x41, 0x43, 0x03}}));
    EXPECT_EQ(b.clock.steps(), (std::vector<Step>{sleep(30), wait(1000)}));
    EXPECT_FALSE(b.radio.tunerMode);
    EXPECT_TRUE(b.session.flags.inTunerMode); // not cleared by this sequence
    EXPECT_EQ(b.ports.openChannels(), 0);

    // A switched-off radio only delays the exit.
    SimBench off;
    off.session.flags.inTunerMode = true;
    off.radio.faults.silent = true;
    LeaveTunerMode(off.env());
    EXPECT_EQ(off.clock.steps(), (std::vector<Step>{sleep(30), wait(1000, false)}));
    EXPECT_TRUE(off.notifier.notices.empty());
}

// A port fault left from an earlier action (the cable was out for a while) does not keep the
// radio in tuner mode at exit once the port opens again; a port that still fails sends nothing.
TEST(LeaveTunerMode, GoesOutWheneverThePortOpens) {
    SimBench b;
    b.session.flags.inTunerMode = true;
    b.session.flags.portFault = true;
    b.radio.tunerMode = true;
    LeaveTunerMode(b.env());
    EXPECT_EQ(b.radio.receivedFrames(), (std::vector<Bytes>{{0x02, 0x02, 0x41, 0x43, 0x03}}));
    EXPECT_FALSE(b.radio.tunerMode);

    SimBench gone;
    gone.session.flags.inTunerMode = true;
    gone.ports.failOpen = true;
    LeaveTunerMode(gone.env());
    EXPECT_TRUE(gone.radio.receivedFrames().empty());
    EXPECT_TRUE(gone.clock.steps().empty()) << "no wait for a radio that cannot hear us";
    EXPECT_EQ(gone.notifier.notices.size(), 1u) << "the failed open is reported once";
}

// The region write lands in the radio's tuning area at the base of its memory size, and the
// session records as programmed exactly the bytes the radio acknowledged.
TEST(ProgramRegion, WritesTheRegionAtTheRadiosBaseAndRecordsWhatWasAcknowledged) {
    for (bool is256 : {false, true}) {
        SimBench b;
        b.radio.radioFlags = is256 ? 0x10 : 0x00;
        b.session.flags.is256BlockMemory = is256;
        for (unsigned i = 0; i < 256; ++i)
            b.session.image[i] = static_cast<std::uint8_t>(i ^ 0x5A);
        int told = 0;
        b.session.onChange = [&told] { ++told; };
        RadioLink link(b.linkEnv());
        link.OpenPort();
        EXPECT_EQ(programRegion(link, b.session, kRegionSubAudioF2F5, 130, 3000).outcome,
                  WriteOutcome::Confirmed);
        // A refused write changes neither the radio nor the record.
        b.radio.scriptAnswers(Cmd::WriteRegion, {sim::Answer::Nak});
        EXPECT_EQ(programRegion(link, b.session, kRegionTxPower, 130, 3000).outcome,
                  WriteOutcome::Refused);
        link.close();
        EXPECT_EQ(told, 1);
        // The write, its read-back (one block), the refused write and its read-back too: a
        // write without an ACK is read back to learn what the radio holds.
        EXPECT_EQ(b.clock.steps(),
                  (std::vector<Step>{sleep(130), wait(3000), sleep(130), wait(3000), sleep(130),
                                     wait(3000), sleep(130), wait(3000)}));
        const auto area = b.radio.tuningArea();
        for (unsigned i = 0; i < 256; ++i) {
            const bool written = kRegionSubAudioF2F5.contains(i);
            EXPECT_EQ(b.session.record.isProgrammed[i], written) << i;
            if (written) {
                EXPECT_EQ(area[i], b.session.image[i]) << i;
                EXPECT_EQ(b.session.record.programmed[i], b.session.image[i]) << i;
            } else {
                EXPECT_EQ(area[i], sim::RadioModel::factoryByte(b.radio.tuningBase() + i)) << i;
            }
        }
    }
}

} // namespace
} // namespace korvelo
