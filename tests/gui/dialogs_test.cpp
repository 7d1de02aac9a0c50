// Message boxes, the radio information dialogs, the GUI clock, the file dialogs, the manual's
// look-up and the command line.
#include "gui/app_options.h"
#include "gui/gui_clock.h"
#include "gui/gui_test_support.h"
#include "gui/help_launcher.h"
#include "gui/message_box_notifier.h"
#include "gui/tuning_file_commands.h"
#include "gui/utility_dialogs.h"
#include "link/port_choice.h"
#include "radio/tuning_start.h"
#include "sim/pty_radio.h"
#include "support/sim_bench.h"

#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QWindow>
#include <gtest/gtest.h>
#include <thread>

namespace korvelo {
namespace {

TEST(MessageBoxes, CaptionIsTunerToolWithTheGivenIcon) {
    struct Seen {
        QString title, text;
        QMessageBox::Icon icon;
    };
    std::vector<Seen> seen;
    test::ModalDriver driver([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        seen.push_back({box->windowTitle(), box->text(), box->icon()});
        box->accept();
    });
    MessageBoxNotifier notifier;
    notifier.notify("Radio Communication Error!! \r\n\r\nPlease Connect the Port selection.",
                    Icon::Exclamation);
    notifier.notify("Radio has been successfully read !!", Icon::Information);
    notifier.notify("Cannot open the file", Icon::Error);
    EXPECT_FALSE(driver.timedOut());
    ASSERT_EQ(seen.size(), 3u);
    for (const Seen& s : seen)
        EXPECT_EQ(s.title, "Tuner Tool");
    EXPECT_EQ(seen[0].icon, QMessageBox::Warning);
    EXPECT_EQ(seen[0].text, "Radio Communication Error!! \n\nPlease Connect the Port selection.");
    EXPECT_EQ(seen[1].icon, QMessageBox::Information);
    EXPECT_EQ(seen[2].icon, QMessageBox::Critical);
}

TEST(InformationDialogs, ShowWhatTheRadioAnswered) {
    SimBench bench;
    AppEnv env = bench.env();
    bench.radio.fwVersion = {'D', '1', '2', '3', '4'};
    auto fw = CFWVersionDlg::read(env, nullptr);
    auto* fwDialog = dynamic_cast<CFWVersionDlg*>(fw.get());
    ASSERT_NE(fwDialog, nullptr);
    EXPECT_EQ(fw->windowTitle(), "FW Version");
    EXPECT_EQ(fwDialog->valueEdit()->text(), "D12.34");
    EXPECT_TRUE(fwDialog->valueEdit()->isReadOnly());

    auto serial = CSerialnumDlg::read(env, nullptr);
    EXPECT_EQ(dynamic_cast<CSerialnumDlg&>(*serial).valueEdit()->text(), "KV00012345");

    bench.radio.countryCode = 1;
    auto country = CCountryCode::read(env, nullptr);
    auto& countryDialog = dynamic_cast<CCountryCode&>(*country);
    EXPECT_EQ(countryDialog.countryBox()->currentText(), "Australia");
    EXPECT_FALSE(countryDialog.countryBox()->isEnabled());
    bench.radio.countryCode = 7;
    auto none = CCountryCode::read(env, nullptr);
    EXPECT_EQ(dynamic_cast<CCountryCode&>(*none).countryBox()->currentIndex(), -1);
    EXPECT_TRUE(bench.notifier.notices.empty());
}

TEST(GuiClock, WakesOnTheReplyAndTimesOutOtherwise) {
    GuiClock clock;
    ReplyEvent event;
    QElapsedTimer elapsed;

    elapsed.start();
    std::thread radio([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
        event.set();
    });
    EXPECT_TRUE(clock.wait(event, 3000));
    radio.join();
    EXPECT_LT(elapsed.elapsed(), 1500);

    elapsed.restart();
    EXPECT_FALSE(clock.wait(event, 120));
    EXPECT_GE(elapsed.elapsed(), 115);

    // The window system keeps running during a pause: a timer fires inside it.
    bool fired = false;
    QTimer::singleShot(10, [&] {
        fired = true;
        EXPECT_TRUE(clock.busy());
    });
    elapsed.restart();
    clock.sleepMs(80);
    EXPECT_TRUE(fired);
    EXPECT_GE(elapsed.elapsed(), 75);
    EXPECT_FALSE(clock.busy());
}

// A click that lands during a wait is dropped, not delivered after it: a second press of
// "PTT Toggle" while the radio is slow must not toggle the transmitter back.
TEST(GuiClock, DropsInputThatArrivesDuringAWait) {
    GuiClock clock;
    QPushButton button(QStringLiteral("PTT Toggle"));
    button.show();
    int clicks = 0;
    QObject::connect(&button, &QPushButton::clicked, [&] { ++clicks; });
    QTimer::singleShot(20, [&] {
        QTest::mouseClick(&button, Qt::LeftButton);
        QTest::keyClick(&button, Qt::Key_Space);
    });
    clock.sleepMs(120);
    EXPECT_EQ(clicks, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(clicks, 0);

    // Once the wait is over the button works again.
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(clicks, 1);
}

// Two things get through a wait. A message box shown during it (by something the wait let
// run) takes keys, so it can be answered. A request to close a window is kept until the
// operation has ended, also past a message box the operation shows after its wait.
TEST(GuiClock, AnswersBoxesOpenedDuringAWaitAndClosesWindowsAfterTheOperation) {
    GuiClock clock;
    MessageBoxNotifier notifier;
    QDialog page;
    page.setWindowTitle(QStringLiteral("Page"));
    page.show();
    bool visibleDuringWait = false;
    bool visibleUnderBox = false;
    int answered = 0;
    test::ModalDriver driver(
        [&](QWidget* w) {
            if (w == &page)
                return;
            QTest::qWait(100); // the close is not honoured under the box either
            visibleUnderBox = page.isVisible();
            QTest::keyClick(w, Qt::Key_Return);
            ++answered;
        },
        3000);
    QTimer::singleShot(30, [&] { notifier.notify("During the wait", Icon::Exclamation); });
    QTimer::singleShot(60, [&] { page.windowHandle()->close(); });
    QTimer::singleShot(300, [&] { visibleDuringWait = page.isVisible(); });
    clock.sleepMs(400);
    EXPECT_EQ(answered, 1);
    EXPECT_FALSE(driver.timedOut()) << "the box shown during the wait took no keys";
    EXPECT_TRUE(visibleDuringWait);
    EXPECT_TRUE(page.isVisible());
    notifier.notify("After the wait, still in the operation", Icon::Exclamation);
    EXPECT_EQ(answered, 2);
    EXPECT_TRUE(visibleUnderBox);
    EXPECT_TRUE(page.isVisible());
    // A box's own loop runs on for a moment after the box has gone, and the operation that
    // showed it has not returned yet.
    QEventLoop boxTail;
    QTimer::singleShot(100, &boxTail, &QEventLoop::quit);
    boxTail.exec();
    EXPECT_TRUE(page.isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(!page.isVisible(), 1000); // the operation has ended
}

// The program's real pieces: the serial channel and its receive thread on a pseudo-terminal,
// woken through the GUI clock, with the simulated radio pacing at the real line rate.
TEST(GuiClock, TuningInitOverAPseudoTerminal) {
    sim::PtyRadio radio;
    radio.withModel([](sim::RadioModel& m) {
        m.radioFlags = 0x10;
        m.faults.pace = true;
        for (std::size_t i = 0; i < m.tuningArea().size(); ++i)
            m.tuningArea()[i] = static_cast<std::uint8_t>(i ^ 0xA5);
    });
    std::string error;
    ASSERT_TRUE(radio.start(&error)) << error;
    FixedPortProvider ports(radio.devicePath());
    ReplyObjects replies;
    GuiClock clock;
    RecordingNotifier notifier;
    Session session;
    AppEnv env{session, replies, clock, notifier, ports};

    QElapsedTimer elapsed;
    elapsed.start();
    TuningInit(env);
    const qint64 ms = elapsed.elapsed();
    radio.stop();

    ASSERT_EQ(notifier.notices.size(), 1u);
    EXPECT_EQ(notifier.notices[0].text, "Radio has been successfully read !!");
    EXPECT_TRUE(session.flags.is256BlockMemory);
    for (std::size_t i = 0; i < TuningImage::kSize; ++i)
        ASSERT_EQ(session.image[i], static_cast<std::uint8_t>(i ^ 0xA5)) << i;
    // The pauses alone take 1.0 s; a reply must wake the wait, not its time-out.
    EXPECT_GE(ms, 1000);
    EXPECT_LT(ms, 2500);
}

// "No" to the replace question goes back to the save dialog, in the same folder, so another
// name can be given; it does not drop the save.
TEST(TuningFileDialogs, NoToReplaceAsksForAnotherName) {
    QTemporaryDir dir, profile;
    // The file dialog keeps its history in the user's profile; keep this test out of it.
    KORVELO_USE_TEST_PROFILE(profile.path());
    const QString existing = dir.filePath("radio.tun");
    QFile file(existing);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();

    QStringList seen;
    test::ModalDriver driver([&](QWidget* w) {
        if (auto* box = qobject_cast<QMessageBox*>(w)) {
            seen << "question";
            box->button(QMessageBox::No)->click();
        } else if (auto* files = qobject_cast<QFileDialog*>(w)) {
            seen << "files:" + QFileInfo(files->directory().absolutePath()).fileName();
            if (seen.size() == 1) {
                // Typed, as selectFile() races the dialog's folder listing.
                auto* edit = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                ASSERT_NE(edit, nullptr);
                edit->setText(existing);
                static_cast<QDialog*>(files)->accept();
            } else {
                files->reject(); // the user thinks better of it
            }
        } else {
            test::dismiss(w);
        }
    });
    const QString name = standardTuningFileDialogs().saveName(nullptr, QString());
    EXPECT_FALSE(driver.timedOut());
    ASSERT_EQ(seen.size(), 3);
    EXPECT_EQ(seen[1], "question");
    EXPECT_EQ(seen[2], "files:" + QFileInfo(dir.path()).fileName());
    EXPECT_TRUE(name.isEmpty());
}

TEST(UsingHelp, ManualBesideTheProgramComesFirst) {
    QTemporaryDir program, current;
    EXPECT_TRUE(findManual(program.path(), current.path()).isEmpty());

    auto touch = [](const QString& path) {
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    };
    touch(current.filePath("Korvelo.html"));
    EXPECT_EQ(findManual(program.path(), current.path()),
              QFileInfo(current.filePath("Korvelo.html")).absoluteFilePath());
    touch(program.filePath("manual/Korvelo.html"));
    EXPECT_EQ(findManual(program.path(), current.path()),
              QFileInfo(program.filePath("manual/Korvelo.html")).absoluteFilePath());
}

// A manual that no viewer could be started for is named; a missing one stays silent.
TEST(UsingHelp, SaysWhereTheManualIsWhenNoViewerStarts) {
    QTemporaryDir program, current;
    RecordingNotifier notifier;
    QStringList opened;
    auto opener = [&](bool works) {
        return [&opened, works](const QUrl& url) {
            opened << url.toLocalFile();
            return works;
        };
    };
    openManual(notifier, program.path(), current.path(), opener(false));
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_TRUE(notifier.notices.empty());

    const QString manual = QFileInfo(current.filePath("Korvelo.html")).absoluteFilePath();
    QFile f(manual);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    openManual(notifier, program.path(), current.path(), opener(true));
    EXPECT_EQ(opened, QStringList({manual}));
    EXPECT_TRUE(notifier.notices.empty());

    openManual(notifier, program.path(), current.path(), opener(false));
    ASSERT_EQ(notifier.notices.size(), 1u);
    EXPECT_EQ(notifier.notices[0].icon, Icon::Exclamation);
    EXPECT_NE(notifier.notices[0].text.find(QDir::toNativeSeparators(manual).toStdString()),
              std::string::npos);
}

// --port takes the name System Configuration lists as well as a device path.
TEST(CommandLine, PortNameOpensItsDevice) {
    auto port = [](const QString& value) {
        int exitCode = -1;
        const auto options = parseAppOptions({"korvelo", "--port", value}, exitCode);
        return options ? options->port : QStringLiteral("<refused>");
    };
    if constexpr (currentHostOs() == HostOs::Windows) {
        EXPECT_EQ(port("COM4"), "COM4");
        EXPECT_EQ(port("COM12"), "\\\\.\\COM12");
    } else {
        EXPECT_EQ(port("ttyUSB0"), "/dev/ttyUSB0");
        EXPECT_EQ(port("/dev/pts/7"), "/dev/pts/7");
    }
}

// The simulated radio's kind: decimal or hexadecimal bytes, only together with --simulator.
TEST(CommandLine, SimulatedRadioKind) {
    int exitCode = -1;
    const auto cmx = parseAppOptions(
        {"korvelo", "--simulator", "--sim-type", "5", "--sim-flags", "0x30"}, exitCode);
    ASSERT_TRUE(cmx.has_value());
    EXPECT_EQ(cmx->simType, std::optional<std::uint8_t>(5));
    EXPECT_EQ(cmx->simFlags, std::optional<std::uint8_t>(0x30));
    for (const QStringList& bad : {QStringList{"korvelo", "--sim-type", "5"},
                                   QStringList{"korvelo", "--simulator", "--sim-flags", "256"},
                                   QStringList{"korvelo", "--simulator", "--sim-type", "x"}}) {
        exitCode = -1;
        EXPECT_FALSE(parseAppOptions(bad, exitCode).has_value()) << bad.join(' ').toStdString();
        EXPECT_EQ(exitCode, 2);
    }
}

} // namespace
} // namespace korvelo
