// The "Transmit Power" dialog on the simulated radio: the controls reach the page and the
// page reaches the radio. Set KORVELO_SCREENSHOT_DIR to keep a picture of the page.
#include "gui/gui_test_support.h"
#include "link/command_frame.h"
#include "radio/tuning_start.h"
#include "softpot/gui/softpot_row_widget.h"
#include "softpot/gui/up_down_control.h"
#include "softpot/txpower/tx_power_dialog.h"
#include "softpot/txpower/tx_power_page.h"
#include "support/sim_bench.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace korvelo {
namespace {

// Tuning Init of the simulated radio, as the technician starts.
void readRadio(SimBench& bench) {
    TuningInit(bench.env());
    ASSERT_TRUE(bench.session.flags.imageLoaded);
    ASSERT_TRUE(bench.session.flags.inTunerMode);
    bench.notifier.notices.clear(); // its own success message
}

// High and Low softpots 20..29 in image order, as in the page's sequence tests.
void storeSoftpots(SimBench& bench) {
    for (std::size_t i = 0; i < 10; ++i)
        bench.radio.tuningArea()[0x16 + i] = static_cast<std::uint8_t>(20 + i);
}

QLabel* statusLine(CTxPower& dialog) {
    for (QLabel* l : dialog.findChildren<QLabel*>())
        if (l->accessibleName() == "Page status")
            return l;
    return nullptr;
}

void typeInto(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
}

void enterInto(QLineEdit* edit, const QString& text) {
    typeInto(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
}

QToolButton* arrow(UpDownControl* c, Qt::ArrowType type) {
    for (auto* b : c->findChildren<QToolButton*>())
        if (b->arrowType() == type)
            return b;
    return nullptr;
}

std::uint8_t commandOf(const std::vector<std::uint8_t>& frame) {
    return frame.size() > 2 ? frame[2] : 0;
}

TEST(TxPowerDialog, DrivesTheRadioFromItsControls) {
    SimBench bench;
    bench.radio.radioType = 3;
    for (std::size_t i = 0; i < 10; ++i) // High and Low softpots as a radio would hold them
        bench.radio.tuningArea()[0x16 + i] =
            static_cast<std::uint8_t>(i % 2 == 0 ? 44 + i : 18 + i);
    readRadio(bench);
    AppEnv env = bench.env();
    CTxPower dialog(env, nullptr);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Transmit Power");
    SoftpotRowWidget& row = dialog.rowWidget(2); // High Power, point 3
    EXPECT_EQ(row.workingEdit()->accessibleName(), "High Power, point 3, Working Softpot");
    EXPECT_EQ(row.frequencyEdit()->text(), "370.02500");
    EXPECT_FALSE(row.frequencyEdit()->isEnabled());
    EXPECT_TRUE(row.scrollBar()->isEnabled());
    EXPECT_TRUE(dialog.pttButton()->isEnabled());
    const std::uint8_t stored = bench.session.image[0x1A];
    EXPECT_EQ(row.defaultEdit()->text(), QString::number(stored));
    bench.radio.clearReceived();

    // A page step by keyboard commits at once: a row setup with the stored value.
    QTest::keyClick(row.scrollBar(), Qt::Key_PageDown);
    const int stepped = std::min(63, std::min<int>(stored, 63) + 5);
    EXPECT_EQ(row.workingEdit()->text(), QString::number(stepped));
    auto frames = bench.radio.receivedFrames();
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(commandOf(frames[0]), 0x42);
    EXPECT_EQ(frames[1], hexToBytes(CommandFrame::oneByte(Cmd::PowerValue, stored)));

    // Keyed: the thumb sends nothing while it moves and the value when it is let go.
    QTest::mouseClick(dialog.pttButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.pttButton()->text().remove(QLatin1Char('&')), "PTT ON");
    EXPECT_TRUE(bench.radio.pttOn);
    bench.radio.clearReceived();
    row.scrollBar()->setSliderDown(true);
    row.scrollBar()->setSliderPosition(40);
    row.scrollBar()->setSliderPosition(41);
    EXPECT_TRUE(bench.radio.receivedFrames().empty());
    row.scrollBar()->setSliderDown(false);
    EXPECT_EQ(bench.radio.live.power, 41);
    EXPECT_EQ(row.workingEdit()->text(), "41");

    QTest::mouseClick(arrow(row.upDown(), Qt::UpArrow), Qt::LeftButton);
    EXPECT_EQ(bench.radio.live.power, 42);
    EXPECT_EQ(row.scrollBar()->value(), 42);

    row.workingEdit()->selectAll();
    QTest::keyClicks(row.workingEdit(), "70");
    QTest::keyClick(row.workingEdit(), Qt::Key_Return);
    EXPECT_EQ(row.workingEdit()->text(), "63");
    EXPECT_EQ(bench.radio.live.power, 63);
    EXPECT_TRUE(dialog.isVisible()) << "Enter belongs to the edit, not to a default button";
    EXPECT_EQ(dialog.pttButton()->text().remove(QLatin1Char('&')), "PTT ON");

    QTest::mouseClick(dialog.pttButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.pttButton()->text().remove(QLatin1Char('&')), "PTT OFF");
    EXPECT_FALSE(bench.radio.pttOn);

    bench.radio.clearReceived();
    QTest::mouseClick(dialog.programButton(), Qt::LeftButton);
    frames = bench.radio.receivedFrames();
    ASSERT_EQ(frames.size(), 2u); // the write and its read-back
    EXPECT_EQ(commandOf(frames[0]), 0x01);
    EXPECT_EQ(commandOf(frames[1]), 0x02);
    EXPECT_EQ(bench.radio.tuningArea()[0x1A], 63);
    EXPECT_EQ(row.defaultEdit()->text(), "63");

    if (const char* dir = std::getenv("KORVELO_SCREENSHOT_DIR")) {
        EXPECT_TRUE(dialog.grab().save(QString::fromLocal8Bit(dir) + "/tx_power.png"));
    }

    // Keyed again and closed with Escape: the transmitter is switched off.
    QTest::mouseClick(dialog.pttButton(), Qt::LeftButton);
    bench.radio.clearReceived();
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    frames = bench.radio.receivedFrames();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(commandOf(frames[0]), 0x82);
    EXPECT_FALSE(bench.radio.pttOn);
    EXPECT_TRUE(bench.notifier.notices.empty());
}

// Each key moves the value the way it points, and each press reaches the radio once.
TEST(TxPowerDialog, EveryScrollBarKeyMovesTheValueTheWayItPoints) {
    SimBench bench;
    readRadio(bench);
    AppEnv env = bench.env();
    CTxPower dialog(env, nullptr);
    dialog.show();
    QScrollBar* bar = dialog.rowWidget(6).scrollBar(); // Low Power, point 2
    QTest::keyClick(bar, Qt::Key_Home);                // sets the row up
    QTest::mouseClick(dialog.pttButton(), Qt::LeftButton);
    ASSERT_EQ(dialog.pttButton()->text().remove(QLatin1Char('&')), "PTT ON");
    bench.radio.clearReceived();
    const std::pair<Qt::Key, int> presses[] = {
        {Qt::Key_End, 63}, {Qt::Key_Left, 62}, {Qt::Key_Up, 61},  {Qt::Key_PageUp, 56},
        {Qt::Key_Home, 0}, {Qt::Key_Right, 1}, {Qt::Key_Down, 2}, {Qt::Key_PageDown, 7},
    };
    for (const auto& [key, expected] : presses) {
        QTest::keyClick(bar, key);
        EXPECT_EQ(bar->value(), expected) << int(key);
        EXPECT_EQ(dialog.rowWidget(6).workingEdit()->text().toStdString(),
                  std::to_string(expected));
        EXPECT_EQ(bench.radio.live.power, expected) << "sent live";
    }
    EXPECT_EQ(bench.radio.receivedFrames().size(), std::size(presses));
    test::ModalDriver discard([](QWidget* w) { test::clickButton(w, "Discard"); });
    dialog.reject();
}

TEST(TxPowerDialog, Type2RadioOffersOnlyTwoPointsAndEveryControlIsNamed) {
    SimBench bench;
    bench.radio.radioType = 2;
    readRadio(bench);
    AppEnv env = bench.env();
    CTxPower dialog(env, nullptr);
    dialog.show();
    for (int r = 0; r < 10; ++r) {
        SoftpotRowWidget& row = dialog.rowWidget(r);
        const bool usable = r % 5 >= 3;
        EXPECT_EQ(row.scrollBar()->isEnabled(), usable) << r;
        EXPECT_EQ(row.workingEdit()->isEnabled(), usable) << r;
        for (QWidget* w :
             {static_cast<QWidget*>(row.frequencyEdit()), static_cast<QWidget*>(row.defaultEdit()),
              static_cast<QWidget*>(row.scrollBar()), static_cast<QWidget*>(row.workingEdit()),
              static_cast<QWidget*>(arrow(row.upDown(), Qt::UpArrow)),
              static_cast<QWidget*>(arrow(row.upDown(), Qt::DownArrow))})
            EXPECT_TRUE(
                w->accessibleName().startsWith(r < 5 ? "High Power, point " : "Low Power, point "))
                << r;
    }
    EXPECT_EQ(dialog.rowWidget(0).frequencyEdit()->text(), "UNSUPPORTED");
    EXPECT_EQ(dialog.rowWidget(9).frequencyEdit()->text(), "247.000000");
    dialog.reject();
}

// Closing with entered (or typed) values that differ from Default Softpot asks first: Cancel
// keeps the page, Discard leaves the radio alone, Program writes what the edits show.
TEST(TxPowerDialog, ClosingAsksAboutValuesNotProgrammed) {
    SimBench bench;
    storeSoftpots(bench);
    readRadio(bench);
    AppEnv env = bench.env();
    {
        CTxPower unchanged(env, nullptr);
        unchanged.show();
        test::ModalDriver none([](QWidget* w) { test::dismiss(w); });
        QTest::keyClick(&unchanged, Qt::Key_Escape);
        EXPECT_FALSE(unchanged.isVisible());
        EXPECT_EQ(none.seen(), 0) << "nothing changed, nothing asked";
    }

    CTxPower dialog(env, nullptr);
    dialog.show();
    enterInto(dialog.rowWidget(0).workingEdit(), "40"); // High Power, point 1
    enterInto(dialog.rowWidget(1).workingEdit(), "41"); // High Power, point 2
    QLineEdit* low5 = dialog.rowWidget(9).workingEdit();
    typeInto(low5, "33"); // typed, not entered
    EXPECT_TRUE(low5->font().italic());
    EXPECT_NE(low5->palette().color(QPalette::Base),
              dialog.rowWidget(8).workingEdit()->palette().color(QPalette::Base));
    EXPECT_TRUE(low5->toolTip().contains("press Enter to use 33")) << low5->toolTip().toStdString();
    EXPECT_EQ(statusLine(dialog)->text(), "Press Enter to use 33 for Low Power, point 5.");

    QStringList asked;
    auto answer = [&asked](const QString& button) {
        return [&asked, button](QWidget* w) {
            if (auto* box = qobject_cast<QMessageBox*>(w))
                asked << box->windowTitle() + ": " + box->text();
            EXPECT_TRUE(test::clickButton(w, button));
        };
    };
    {
        test::ModalDriver cancel(answer("Cancel"));
        QTest::keyClick(&dialog, Qt::Key_Escape);
    }
    EXPECT_EQ(asked, QStringList{"Tuner Tool: 3 values have not been programmed into the radio. "
                                 "Program them now?"});
    EXPECT_TRUE(dialog.isVisible());
    bench.radio.clearReceived();
    {
        test::ModalDriver discard(answer("Discard"));
        QTest::keyClick(&dialog, Qt::Key_Escape);
    }
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(bench.radio.receivedFrames().empty());
    EXPECT_EQ(bench.radio.tuningArea()[0x16], 20);
    EXPECT_EQ(bench.session.image[0x16], 20);

    // Reopened: the stored values. Program from the question writes what the edits show.
    CTxPower again(env, nullptr);
    again.show();
    EXPECT_EQ(again.rowWidget(0).workingEdit()->text(), "20");
    enterInto(again.rowWidget(0).workingEdit(), "40");
    typeInto(again.rowWidget(9).workingEdit(), "33");
    asked.clear();
    {
        test::ModalDriver program(answer("Program"));
        QTest::keyClick(&again, Qt::Key_Escape);
    }
    EXPECT_EQ(asked.size(), 1);
    EXPECT_FALSE(again.isVisible());
    EXPECT_EQ(bench.radio.tuningArea()[0x16], 40);
    EXPECT_EQ(bench.radio.tuningArea()[0x1F], 33);

    // The "Program" button keeps its rule: a typed value not entered is not written, and the
    // page then has nothing left to ask about.
    CTxPower third(env, nullptr);
    third.show();
    typeInto(third.rowWidget(9).workingEdit(), "34");
    QTest::mouseClick(third.programButton(), Qt::LeftButton);
    EXPECT_EQ(bench.radio.tuningArea()[0x1F], 33);
    EXPECT_EQ(third.rowWidget(9).workingEdit()->text(), "33");
    EXPECT_FALSE(third.rowWidget(9).workingEdit()->font().italic());
    test::ModalDriver none([](QWidget* w) { test::dismiss(w); });
    QTest::keyClick(&third, Qt::Key_Escape);
    EXPECT_EQ(none.seen(), 0);
}

// The edits take only what the page's scale can show; Enter on what is still no number puts
// the row's value back and sends nothing.
TEST(TxPowerDialog, WorkingEditsTakeOnlyNumbersOfThePageScale) {
    SimBench bench;
    storeSoftpots(bench);
    readRadio(bench);
    AppEnv env = bench.env();
    CTxPower dialog(env, nullptr);
    dialog.show();
    QLineEdit* edit = dialog.rowWidget(0).workingEdit();
    enterInto(edit, "30");
    QTest::mouseClick(dialog.pttButton(), Qt::LeftButton);
    ASSERT_TRUE(bench.radio.pttOn);
    bench.radio.clearReceived();

    typeInto(edit, "abc");
    EXPECT_EQ(edit->text(), "");
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(edit->text(), "30");
    EXPECT_TRUE(bench.radio.receivedFrames().empty());
    typeInto(edit, "-4o.");
    EXPECT_EQ(edit->text(), "4");
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(bench.radio.live.power, 4);
    QTest::mouseClick(dialog.pttButton(), Qt::LeftButton);

    // A page of 0.05 steps shown with two decimals: one decimal point, nothing else.
    PageSpec fine = txPowerPage();
    fine.scale = ValueScale{79, 2, 0.05};
    SoftpotGroup group(env, fine);
    QWidget host;
    SoftpotRowWidget row(group, 0, &host, new QGridLayout(&host), 0);
    host.show();
    group.open();
    row.mirror();
    EXPECT_EQ(row.workingEdit()->text(), "1.00"); // stored 20 steps
    typeInto(row.workingEdit(), "1.2.5x");
    EXPECT_EQ(row.workingEdit()->text(), "1.25");
    QTest::keyClick(row.workingEdit(), Qt::Key_Return);
    EXPECT_EQ(row.scrollBar()->value(), 25);
    EXPECT_EQ(group.row(0).workingText, "1.25");
    test::ModalDriver discard([](QWidget* w) { test::clickButton(w, "Discard"); });
    dialog.reject();
}

// A stored value outside the range is marked and still sent as the radio's own byte; the
// focused scroll bar is framed.
TEST(TxPowerDialog, MarksStoredValuesOutsideTheRangeAndFramesTheFocusedBar) {
    SimBench bench;
    storeSoftpots(bench);
    bench.radio.tuningArea()[0x16] = 157;
    readRadio(bench);
    AppEnv env = bench.env();
    CTxPower dialog(env, nullptr);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    SoftpotRowWidget& high1 = dialog.rowWidget(0);
    SoftpotRowWidget& high2 = dialog.rowWidget(1);
    EXPECT_EQ(high1.defaultEdit()->text(), "157");
    EXPECT_EQ(high1.scrollBar()->value(), 63);
    EXPECT_TRUE(high1.defaultEdit()->toolTip().contains("157 is outside the range 0..63"));
    EXPECT_EQ(high1.scrollBar()->toolTip(), high1.defaultEdit()->toolTip());
    EXPECT_TRUE(high2.defaultEdit()->toolTip().isEmpty());
    for (auto group : {QPalette::Active, QPalette::Disabled}) {
        EXPECT_NE(high1.defaultEdit()->palette().color(group, QPalette::Base),
                  high2.defaultEdit()->palette().color(group, QPalette::Base));
        EXPECT_NE(high1.defaultEdit()->palette().color(group, QPalette::Text),
                  high2.defaultEdit()->palette().color(group, QPalette::Text));
    }

    QScrollBar* bar = high2.scrollBar();
    high1.scrollBar()->setFocus();
    const QImage plain = bar->grab().toImage();
    bar->setFocus();
    ASSERT_TRUE(bar->hasFocus());
    const QImage framed = bar->grab().toImage();
    const QColor highlight = bar->palette().color(QPalette::Highlight);
    for (QPoint p : {QPoint(0, framed.height() / 2), QPoint(framed.width() / 2, 0),
                     QPoint(framed.width() - 1, framed.height() / 2)})
        EXPECT_EQ(framed.pixelColor(p), highlight) << p.x() << "," << p.y();
    EXPECT_NE(plain.pixelColor(0, plain.height() / 2), highlight);
    if (const char* dir = std::getenv("KORVELO_SCREENSHOT_DIR")) {
        typeInto(dialog.rowWidget(9).workingEdit(), "33");
        bar->setFocus();
        EXPECT_TRUE(dialog.grab().save(QString::fromLocal8Bit(dir) + "/tx_power_marks.png"));
    }

    // The row setup still sends the radio's own byte.
    bench.radio.clearReceived();
    QTest::keyClick(high1.scrollBar(), Qt::Key_Left);
    const auto frames = bench.radio.receivedFrames();
    ASSERT_GE(frames.size(), 2u);
    EXPECT_EQ(frames[1], hexToBytes(CommandFrame::oneByte(Cmd::PowerValue, 157)));
    EXPECT_TRUE(high1.defaultEdit()->toolTip().contains("outside the range"));
    test::ModalDriver discard([](QWidget* w) { test::clickButton(w, "Discard"); });
    dialog.reject();
}

} // namespace
} // namespace korvelo
