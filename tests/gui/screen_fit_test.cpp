// Every window within the screen's available area at QT_SCALE_FACTOR=2 on a 1600 x 1000
// screen (800 x 500 for the program): the main window, maximised or not, Radio History with
// its Export and Close buttons, the Connection Doctor, the options and Transmit Modulation.
#include "gui/connection_doctor_dialog.h"
#include "gui/gui_test_support.h"
#include "gui/main_window.h"
#include "gui/options_dialog.h"
#include "gui/radio_history_dialog.h"
#include "gui/serial_comm_dialog.h"
#include "softpot/txmodulation/tx_modulation_dialog.h"
#include "support/scratch_dir.h"
#include "support/sim_bench.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QStatusBar>
#include <QTest>
#include <gtest/gtest.h>

using namespace korvelo;

namespace {

// Before the application exists: the scale factor and the small screen.
const bool smallScreen = [] {
    qputenv("QT_SCALE_FACTOR", "2");
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" KORVELO_TESTS_DIR "/gui/small_screen.json");
    return true;
}();

QRect available() {
    return QGuiApplication::primaryScreen()->availableGeometry();
}

// The window, and each of its buttons where the user can reach it (on the screen, or in a
// scroll area that scrolls to it).
void expectOnScreen(QWidget& w, const char* what) {
    w.show();
    QTest::qWait(20);
    EXPECT_TRUE(available().contains(w.frameGeometry()))
        << what << ": " << w.frameGeometry().width() << "x" << w.frameGeometry().height() << "+"
        << w.frameGeometry().x() << "+" << w.frameGeometry().y() << " on " << available().width()
        << "x" << available().height();
    for (QPushButton* b : w.findChildren<QPushButton*>()) {
        if (!b->isVisibleTo(&w))
            continue;
        const QRect at(b->mapToGlobal(QPoint(0, 0)), b->size());
        bool inScroll = false; // the window's contents scroll: the button can be scrolled to
        for (QWidget* p = b->parentWidget(); p && p != &w; p = p->parentWidget())
            inScroll = inScroll || qobject_cast<QScrollArea*>(p) != nullptr;
        EXPECT_TRUE(available().contains(at) || inScroll)
            << what << ": " << b->accessibleName().toStdString() << " is off the screen";
    }
    w.hide();
}

} // namespace

TEST(ScreenFit, EveryWindowFitsTheAvailableScreenAtScaleTwo) {
    ASSERT_TRUE(smallScreen);
    ASSERT_EQ(available().height(), 500) << "the offscreen platform ignored the screen's size";
    SimBench bench;
    AppEnv env = bench.env();
    MainWindow window(env);
    window.startUp();
    expectOnScreen(window, "main window");
    window.showMaximized();
    QTest::qWait(20);
    EXPECT_TRUE(available().contains(window.frameGeometry()));
    EXPECT_TRUE(available().contains(
        QRect(window.statusBar()->mapToGlobal(QPoint(0, 0)), window.statusBar()->size())))
        << "the status bar is off the screen";
    window.showNormal();

    ScratchDir dir("korvelo-screen-fit");
    RadioHistoryDialog history(QString::fromStdString((dir / "record.sqlite").string()), {},
                               &window);
    expectOnScreen(history, "Radio History");
    ConnectionDoctorDialog doctor([] { return doctor::DoctorInput{}; }, &window);
    expectOnScreen(doctor, "Connection Doctor");
    OptionsDialog options(GuardOptions{}, &window);
    expectOnScreen(options, "Options");
    CSerialCommDlg setup(QStringList{"ttyS0", "ttyUSB0"}, &window);
    expectOnScreen(setup, "System Configuration");
    bench.session.flags.isAk2347Radio = true;
    CTxFrequency modulation(env, &window);
    expectOnScreen(modulation, "Transmit Modulation");
}
