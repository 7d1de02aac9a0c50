// Each register dialog opened from the Service submenu of the main window against the simulated
// radio, changed through its widgets with real key and mouse events, sent with "DATA SEND",
// and closed; the radio's memory then holds what the dialog sent. Set KORVELO_SCREENSHOT_DIR to
// keep a picture of each dialog.
#include "chipsetup/gui/register_dialogs.h"
#include "gui/command_ids.h"
#include "gui/gui_clock.h"
#include "gui/gui_test_support.h"
#include "gui/main_window.h"
#include "gui/message_box_notifier.h"
#include "gui/page_dialogs.h"
#include "link/command_frame.h"
#include "radio/tuning_start.h"
#include "sim/pty_radio.h"
#include "softpot/gui/up_down_control.h"
#include "support/sim_bench.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWindow>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

namespace korvelo {
namespace {

struct RegisterDialogWalk : ::testing::Test {
    SimBench bench;
    AppEnv env = bench.env();
    MainWindow window{env};
    int boxes = 0; // message boxes seen while a dialog was open
    QString question;

    void readRadio(std::uint8_t flags) {
        bench.radio.radioFlags = flags;
        registerPageDialogs(window.commands());
        window.startUp();
        window.show();
        TuningInit(env);
        window.updateCommandStates();
        ASSERT_TRUE(bench.session.flags.imageLoaded);
        bench.notifier.notices.clear();
        bench.radio.clearReceived();
    }

    QAction* serviceItem(int id) {
        for (QAction* top : window.menuBar()->actions()) {
            if (top->text() != "&Utillities")
                continue;
            QMenu* service = top->menu()->actions().back()->menu();
            for (QAction* a : service->actions())
                if (a->data().toInt() == id)
                    return a;
        }
        return nullptr;
    }

    // Opens the dialog from its Service item and runs `walk` on it while it is modal.
    template <class Dialog> void walkFromServiceMenu(int id, std::function<void(Dialog&)> walk) {
        bool walked = false;
        test::ModalDriver driver([&](QWidget* w) {
            if (auto* dialog = dynamic_cast<Dialog*>(w)) {
                walked = true;
                if (const char* dir = std::getenv("KORVELO_SCREENSHOT_DIR"))
                    dialog->grab().save(QString::fromLocal8Bit(dir) +
                                        QStringLiteral("/register_%1.png").arg(id));
                walk(*dialog);
                QTest::keyClick(dialog, Qt::Key_Escape);
                if (dialog->isVisible())
                    test::dismiss(dialog);
            } else {
                ++boxes;
                test::dismiss(w);
            }
        });
        QAction* item = serviceItem(id);
        ASSERT_NE(item, nullptr);
        ASSERT_TRUE(item->isEnabled());
        item->trigger();
        EXPECT_TRUE(walked);
        EXPECT_FALSE(driver.timedOut());
    }

    // Answers the next question box with the button of that text.
    std::unique_ptr<test::ModalDriver> answer(const QString& button) {
        return std::make_unique<test::ModalDriver>([this, button](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (!box)
                return;
            question = box->text();
            for (QAbstractButton* b : box->buttons())
                if (b->text() == button)
                    b->click();
        });
    }

    static QToolButton* arrow(UpDownControl* c, Qt::ArrowType type) {
        for (auto* b : c->findChildren<QToolButton*>())
            if (b->arrowType() == type)
                return b;
        return nullptr;
    }
    static void typeAndEnter(QWidget* w, const QString& text) {
        auto* edit = qobject_cast<QLineEdit*>(w);
        ASSERT_NE(edit, nullptr);
        edit->selectAll();
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
    }
    bool radioHolds(const Region& r) const {
        for (unsigned i = r.offset; i < r.end(); ++i)
            if (bench.radio.tuningArea()[i] != bench.session.image[i])
                return false;
        return true;
    }
};

TEST_F(RegisterDialogWalk, TxModeStepsVr1ByKeyAndSendsItsRegisters) {
    readRadio(0x00);
    // Each register page is offered for the audio processor it writes to.
    EXPECT_FALSE(serviceItem(cmd::CmxTxSetup)->isEnabled());
    EXPECT_FALSE(serviceItem(cmd::CmxRxSetup)->isEnabled());
    walkFromServiceMenu<CTxMode>(cmd::AkTxMode, [&](CTxMode& d) {
        EXPECT_EQ(d.windowTitle(), "TX Mode");
        QWidget* vr1 = d.control(1012);
        EXPECT_EQ(vr1->accessibleName(), "Volume Register 1, VR1 gain (dB)");
        for (QWidget* w : d.findChildren<QWidget*>()) {
            if (qobject_cast<QComboBox*>(w) || qobject_cast<QLineEdit*>(w) ||
                qobject_cast<QAbstractButton*>(w)) {
                EXPECT_FALSE(w->accessibleName().isEmpty()) << w->metaObject()->className();
            }
        }
        EXPECT_FALSE(d.control(1009)->isEnabled()); // VR5
        EXPECT_TRUE(d.control(1002)->isEnabled());  // Compandpr
        EXPECT_FALSE(d.control(1027)->isEnabled()); // TX HPF
        EXPECT_EQ(qobject_cast<QLineEdit*>(d.control(1021))->text(), "135.7");
        EXPECT_EQ(qobject_cast<QLineEdit*>(vr1)->text(), "0.0");
        for (int k = 0; k < 3; ++k)
            QTest::keyClick(vr1, Qt::Key_Up);
        QTest::mouseClick(arrow(d.spin(1017), Qt::UpArrow), Qt::LeftButton);
        EXPECT_EQ(qobject_cast<QLineEdit*>(vr1)->text(), "4.5");
        EXPECT_EQ(bench.session.image[0x62], 0x67); // VR1 code 7 beside VR5 code 12
        QTest::mouseClick(arrow(d.spin(1019), Qt::UpArrow), Qt::LeftButton);
        EXPECT_EQ(qobject_cast<QLineEdit*>(d.control(1018))->text(), "0.2");

        QTest::mouseClick(d.sendButton(), Qt::LeftButton);
        EXPECT_EQ(bench.radio.receivedFrames().size(), 4u); // two writes, each read back
        EXPECT_EQ(d.statusLabel()->text(), "The radio confirmed DATA SEND of 0x40..0x44 and 0x46.");
        // In place of the embedded control: the bytes the two writes carried.
        QString sent = QStringLiteral("0x40..0x44:");
        for (unsigned i = 0x40; i <= 0x44; ++i)
            sent += QStringLiteral(" %1").arg(bench.radio.tuningArea()[i], 2, 16, QChar(u'0'));
        sent +=
            QStringLiteral("   0x46: %1").arg(bench.radio.tuningArea()[0x46], 2, 16, QChar(u'0'));
        EXPECT_EQ(qobject_cast<QLineEdit*>(d.control(1023))->text(),
                  sent.toUpper().replace("0X", "0x"));
    });
    EXPECT_TRUE(radioHolds(kRegionTxMode));
    EXPECT_TRUE(radioHolds(kRegionTxModeExtra));
    EXPECT_EQ(bench.radio.tuningArea()[0x62], 0x64) << "no write carries the gains";
    EXPECT_EQ(boxes, 0) << "nothing to ask: DATA SEND does not write the gains";
}

TEST_F(RegisterDialogWalk, CmxTxSetupSendsTheRegionAndDiscardPutsBackAnUnsentChange) {
    readRadio(0x30);
    EXPECT_FALSE(serviceItem(cmd::AkTxMode)->isEnabled());
    walkFromServiceMenu<CTxCMX148_SetDlg>(cmd::CmxTxSetup, [&](CTxCMX148_SetDlg& d) {
        EXPECT_EQ(d.windowTitle(), "TX CMX148 SetUp");
        auto* mod1 = qobject_cast<QComboBox*>(d.control(1259));
        EXPECT_EQ(mod1->accessibleName(),
                  "CMX148 [$B0] : MOD1 Output Attenuation (dB), 12.5KHz, CSQ");
        QTest::keyClick(mod1, Qt::Key_End);
        EXPECT_EQ(mod1->currentText(), "0dB");
        EXPECT_EQ(bench.session.image[0x71], 7);
        typeAndEnter(d.control(1036), "3FFF");
        EXPECT_TRUE(bench.radio.receivedFrames().empty()) << "Enter belongs to the edit";
        QTest::mouseClick(arrow(d.spin(1065), Qt::UpArrow), Qt::LeftButton);
        EXPECT_EQ(qobject_cast<QLineEdit*>(d.control(1010))->text(), "1.05");

        QTest::mouseClick(d.sendButton(), Qt::LeftButton);
        EXPECT_EQ(bench.radio.receivedFrames().size(), 3u); // the write, two blocks read back
        EXPECT_TRUE(radioHolds(kRegionCmxTxSetup));
        EXPECT_EQ(bench.radio.tuningArea()[0xA9], 0xFF);

        // An unsent change: Cancel keeps the dialog open, Discard puts the byte back.
        QTest::keyClick(d.control(1049), Qt::Key_Up);
        EXPECT_EQ(bench.session.image[0x92], 2);
        {
            auto cancel = answer("Cancel");
            QTest::keyClick(&d, Qt::Key_Escape);
        }
        EXPECT_EQ(question, "1 setting has not been sent to the radio. Send it now?");
        EXPECT_TRUE(d.isVisible());
        auto discard = answer("Discard");
        QTest::keyClick(&d, Qt::Key_Escape);
        EXPECT_FALSE(d.isVisible());
    });
    EXPECT_EQ(bench.session.image[0x92], 3);
    EXPECT_TRUE(radioHolds(kRegionCmxTxSetup));
}

TEST_F(RegisterDialogWalk, CmxRxSetupSendsItsRegionWhenAskedOnClose) {
    readRadio(0x20);
    walkFromServiceMenu<CRxCMX148_SetDlg>(cmd::CmxRxSetup, [&](CRxCMX148_SetDlg& d) {
        EXPECT_EQ(d.windowTitle(), "RX CMX148 SetUp");
        QTest::keyClick(d.control(1004), Qt::Key_End);
        EXPECT_EQ(bench.session.image[0xC2], 15);
        typeAndEnter(d.control(1164), "2.50");
        EXPECT_EQ(bench.session.image[0xCC], 50);
        typeAndEnter(d.control(1164), "4.00");
        EXPECT_EQ(qobject_cast<QLineEdit*>(d.control(1164))->text(), "2.50");
        EXPECT_TRUE(bench.radio.receivedFrames().empty());
        auto send = answer("Send");
        QTest::keyClick(&d, Qt::Key_Escape);
        EXPECT_EQ(question, "2 settings have not been sent to the radio. Send them now?");
        EXPECT_FALSE(d.isVisible());
    });
    EXPECT_EQ(bench.radio.receivedFrames().size(), 2u); // the write and its read-back
    EXPECT_TRUE(radioHolds(kRegionCmxRxSetup));
    EXPECT_EQ(bench.radio.tuningArea()[0xCC], 50);
}

// On the program's own clock and a radio on a pseudo-terminal: a close request while DATA SEND
// waits for an answer that never comes is held until the write has ended, then honoured.
TEST(RegisterDialogOnTheGuiClock, ACloseRequestDuringDataSendWaitsForTheWrite) {
    sim::PtyRadio radio;
    radio.withModel(
        [](sim::RadioModel& m) { m.scriptAnswers(Cmd::WriteRegion, {sim::Answer::Silent}); });
    std::string error;
    ASSERT_TRUE(radio.start(&error)) << error;
    FixedPortProvider ports(radio.devicePath());
    ReplyObjects replies;
    GuiClock clock;
    MessageBoxNotifier notifier;
    Session session;
    session.flags.imageLoaded = true;
    session.flags.inTunerMode = true;
    session.flags.isAk2347Radio = false;
    AppEnv env{session, replies, clock, notifier, ports};
    CRxCMX148_SetDlg dialog(env, nullptr);

    QStringList messages;
    test::ModalDriver driver(
        [&](QWidget* w) {
            if (w == &dialog)
                return;
            if (auto* box = qobject_cast<QMessageBox*>(w))
                messages << box->text();
            test::dismiss(w);
        },
        20000);
    QElapsedTimer elapsed;
    qint64 closeAt = -1, sendStart = -1, sendEnd = -1;
    bool openAfterSend = false;
    QTimer::singleShot(200, &dialog, [&] {
        QTimer::singleShot(500, [&] {
            closeAt = elapsed.elapsed();
            dialog.windowHandle()->close();
        });
        sendStart = elapsed.elapsed();
        QTest::mouseClick(dialog.sendButton(), Qt::LeftButton);
        sendEnd = elapsed.elapsed();
        openAfterSend = dialog.isVisible();
    });
    elapsed.start();
    dialog.exec();
    radio.stop();

    EXPECT_FALSE(driver.timedOut());
    EXPECT_GT(closeAt, sendStart);
    EXPECT_LT(closeAt, sendEnd);
    EXPECT_GE(sendEnd - sendStart, 3000) << "the write ran to its bound";
    EXPECT_TRUE(openAfterSend);
    EXPECT_EQ(messages.join(" | ").toStdString(), "Radio Coummunication Error");
    const auto frames = radio.withModel([](sim::RadioModel& m) { return m.receivedFrames(); });
    // The write, then the read-back of what the radio holds after it went unacknowledged.
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].at(2), 0x01);
    EXPECT_EQ(frames[1].at(2), 0x02);
    EXPECT_FALSE(session.flags.portFault);
    for (QWidget* w : QApplication::topLevelWidgets())
        EXPECT_FALSE(w->isVisible()) << w->windowTitle().toStdString();
}

} // namespace
} // namespace korvelo
