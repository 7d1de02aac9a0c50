// What each control of the register pages stores: lists and bit fields, the gain spins of TX
// Mode, the limiter word and the 0.05 steps; and the rules for changes that were not sent.
#include "chipsetup/cmx148/cmx_rx_setup_page.h"
#include "chipsetup/cmx148/cmx_tx_setup_page.h"
#include "chipsetup/txmode/tx_mode_page.h"
#include "register_page_fixture.h"

namespace korvelo {
namespace {

TEST_F(RegisterPageTest, TxModeGainsStepUpwardOnTheirGridAndKeepTheOtherField) {
    image(0x62) = 0xAC; // VR5 code 21 (4.5 dB), VR1 code 4 (0.0 dB)
    const TuningImage before = bench.session.image;
    open(txModePage());
    EXPECT_EQ(text(1009), "4.5");
    EXPECT_EQ(text(1012), "0.0");
    step(1017, +1, 3);
    EXPECT_EQ(text(1012), "4.5");
    EXPECT_EQ(image(0x62), 0xAF); // code 7, bits 3..7 kept
    step(1017, +1);
    EXPECT_EQ(text(1012), "4.5");
    EXPECT_EQ(image(0x62), 0xAF);

    image(0x62) = 0xA8; // VR1 at -6.0
    open(txModePage());
    EXPECT_EQ(text(1012), "-6.0");
    step(1017, -1);
    EXPECT_EQ(text(1012), "-6.0");
    EXPECT_EQ(image(0x62), 0xA8);

    // Typed off the grid: the next step starts from the nearest grid value.
    page->type(at(1012), "1.0");
    step(1017, +1);
    EXPECT_EQ(text(1012), "3.0");
    EXPECT_EQ(image(0x62), 0xA8 | 6);
    // Taken as typed, it snaps to the grid, and the page says so.
    enter(1012, "1.0");
    EXPECT_EQ(text(1012), "1.5");
    EXPECT_NE(page->statusText().find(": 1.0 is not one of the values (-6.0 to 4.5 in steps of "
                                      "1.5); 1.5 was stored."),
              std::string::npos)
        << page->statusText();

    // S-Band VR2 has no image byte: its steps change only its text.
    image(0x62) = before[0x62];
    step(1019, +1);
    EXPECT_EQ(text(1018), "0.2");
    step(1019, -1, 2);
    EXPECT_EQ(text(1018), "-0.2");
    EXPECT_EQ(bench.session.image, before);
    EXPECT_EQ(page->unsentCount(), 0) << "byte 0x62 is not written by DATA SEND";
}

TEST_F(RegisterPageTest, CmxTxSetupStoresListIndexesBitFieldsLimiterAndSubAudio) {
    image(0xA4) = 0xC3;
    image(0xA1) = 0x05; // HPF Select shows bits 0..1
    image(0xA9) = 0x12;
    image(0xAA) = 0xC5;
    image(0x97) = 10;
    open(cmxTxSetupPage());
    choose(1259, "0dB");
    EXPECT_EQ(image(0x71), 7);
    choose(1049, "x32");
    EXPECT_EQ(image(0x92), 5);
    choose(1026, "2.55KHz");
    EXPECT_EQ(image(0xA4), 0xD3);
    choose(1008, "On");
    EXPECT_EQ(image(0xA4), 0xF3);
    EXPECT_EQ(page->state(at(1002)).selection, 1);
    choose(1002, "320Hz");
    EXPECT_EQ(image(0xA1), 0x02); // written as the whole byte

    EXPECT_EQ(text(1036), "0512"); // the top bits of 0xAA are not part of the word
    enter(1036, "3FFF");
    EXPECT_EQ(image(0xA9), 0xFF);
    EXPECT_EQ(image(0xAA), 0x3F);
    step(1053, +1);
    EXPECT_EQ(text(1036), "0000");
    EXPECT_EQ(image(0xA9), 0x00);
    EXPECT_EQ(image(0xAA), 0x00);
    step(1053, -1);
    EXPECT_EQ(text(1036), "3FFF");
    enter(1036, "4000");
    EXPECT_EQ(text(1036), "3FFF");
    EXPECT_EQ(image(0xA9), 0xFF);
    EXPECT_EQ(image(0xAA), 0x3F);

    EXPECT_EQ(text(1010), "0.50");
    enter(1010, "1.23"); // off the 0.05 grid
    EXPECT_EQ(text(1010), "0.50");
    const std::string refused = page->statusText();
    EXPECT_NE(refused.find(": 1.23 was refused; the values are "), std::string::npos) << refused;
    EXPECT_NE(refused.find(" in steps of 0.05."), std::string::npos) << refused;
    enter(1010, "3.95");
    EXPECT_EQ(page->statusText().find("refused"), std::string::npos);
    EXPECT_EQ(image(0x97), 79);
    step(1065, +1);
    EXPECT_EQ(text(1010), "3.95");
    enter(1010, "4.00");
    EXPECT_EQ(text(1010), "3.95");
    EXPECT_EQ(image(0x97), 79);
}

TEST_F(RegisterPageTest, CmxRxSetupStoresListsCornerFieldsAndFineGains) {
    image(0xC5) = 0x0C;
    open(cmxRxSetupPage());
    choose(1004, "0dB");
    EXPECT_EQ(image(0xC2), 15);
    choose(1274, "320Hz");
    EXPECT_EQ(image(0xC5), 0x0E);
    choose(1078, "280Hz");
    EXPECT_EQ(image(0xC5), 0x4E);
    choose(1073, "320Hz");
    EXPECT_EQ(image(0xC5), 0x6E);
    enter(1164, "2.50");
    EXPECT_EQ(image(0xCC), 50);
    enter(1164, "4.00");
    EXPECT_EQ(text(1164), "2.50");
    EXPECT_EQ(image(0xCC), 50);
}

TEST_F(RegisterPageTest, ChangesNotConfirmedByTheRadioStayCountedUntilSentOrPutBack) {
    bench.radio.radioFlags = 0x20;
    open(cmxRxSetupPage());
    const TuningImage opened = bench.session.image;
    choose(1011, "6.4dB");
    choose(1157, "3.0KHz");
    EXPECT_EQ(page->unsentCount(), 2);
    EXPECT_EQ(page->statusText().rfind("2 settings have changed and not been sent", 0), 0u);

    bench.radio.faults.silent = true;
    EXPECT_EQ(page->dataSend(), SendOutcome::NoReply);
    EXPECT_EQ(page->unsentCount(), 2);
    bench.radio.faults.silent = false;
    bench.radio.scriptAnswers(Cmd::WriteRegion, {sim::Answer::Nak});
    EXPECT_EQ(page->dataSend(), SendOutcome::Refused);
    EXPECT_EQ(page->unsentCount(), 2);
    EXPECT_EQ(page->statusText(),
              "The radio refused DATA SEND: the changes are only in the tuning image.");
    EXPECT_EQ(bench.notifier.notices.size(), 1u) << "only the time-out is a message box";

    // A typed value that was not taken yet goes out with the others.
    page->type(at(1163), "1.00");
    EXPECT_EQ(page->dataSend(), SendOutcome::Confirmed);
    EXPECT_EQ(eeprom(0xC3), 2);
    EXPECT_EQ(eeprom(0xCB), 20);
    EXPECT_EQ(page->unsentCount(), 0);

    // Discard puts back what the radio last confirmed, not what the page opened with.
    choose(1011, "0dB");
    step(1064, +1);
    EXPECT_EQ(page->unsentCount(), 2);
    page->discard();
    EXPECT_EQ(page->unsentCount(), 0);
    EXPECT_EQ(image(0xC3), 2);
    EXPECT_EQ(image(0xCB), 20);
    EXPECT_EQ(text(1163), "1.00");
    EXPECT_NE(bench.session.image, opened);

    // Without an image read from a radio or a file nothing is written.
    bench.session.flags.imageLoaded = false;
    bench.radio.clearReceived();
    EXPECT_EQ(page->dataSend(), SendOutcome::None);
    EXPECT_TRUE(bench.radio.receivedFrames().empty());
}

} // namespace
} // namespace korvelo
