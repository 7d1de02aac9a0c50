// The main window against the simulated radio on virtual time: menus, enabling by the radio
// state flags, the port-fault gate and leaving tuner mode on exit.
#include "gui/command_ids.h"
#include "gui/gui_test_support.h"
#include "gui/main_window.h"
#include "gui/message_box_notifier.h"
#include "gui/shell_commands.h"
#include "radio/link_state.h"
#include "support/sim_bench.h"

#include <QAction>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#ifndef _WIN32
#include "sim/pty_radio.h"
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace korvelo {
namespace {

const std::vector<std::uint8_t> kLeaveTunerMode = {0x02, 0x02, 0x41, 0x43, 0x03};

// One menu item as the user sees it: "caption|id|status prompt", "-" for a separator.
std::vector<std::string> menuItems(QMenu* menu) {
    std::vector<std::string> items;
    for (QAction* a : menu->actions()) {
        if (a->isSeparator())
            items.push_back("-");
        else if (a->menu())
            items.push_back(">" + a->text().toStdString());
        else
            items.push_back(a->text().toStdString() + "|" + std::to_string(a->data().toInt()) +
                            "|" + a->statusTip().toStdString());
    }
    return items;
}

QMenu* topMenu(QMainWindow& w, const QString& title) {
    for (QAction* a : w.menuBar()->actions())
        if (a->text() == title)
            return a->menu();
    return nullptr;
}

// A page dialog stand-in, so the flag rules can be seen on the page commands.
struct FakePage : QDialog {
    FakePage(AppEnv&, QWidget* parent) : QDialog(parent) { ++constructed; }
    static inline int constructed = 0;
};

struct Fixture : ::testing::Test {
    SimBench bench;
    AppEnv env = bench.env();
    MainWindow window{env};

    void SetUp() override {
        FakePage::constructed = 0;
        for (int id :
             {cmd::TxPower, cmd::TxModulation, cmd::TxSubAudio, cmd::TxSignaling, cmd::RxSquelch})
            window.commands().addDialog(id, Gate::PortFault, dialogFactory<FakePage>());
        window.startUp();
        window.show();
    }
    bool enabled(int id) { return window.action(id) && window.action(id)->isEnabled(); }
    QWidget* toolButton(int id) {
        auto* bar = window.findChild<QToolBar*>();
        return bar ? bar->widgetForAction(window.action(id)) : nullptr;
    }
};

using MainWindowTest = Fixture;

TEST_F(MainWindowTest, MenusCarryTheirCaptionsIdsSeparatorsAndPrompts) {
    EXPECT_EQ(window.windowTitle(), "Korvelo");
    QStringList titles;
    for (QAction* a : window.menuBar()->actions())
        titles << a->text();
    EXPECT_EQ(titles,
              QStringList({"&File", "&Alignment", "&Utillities", "&Tools", "&View", "&Help"}));

    EXPECT_EQ(menuItems(topMenu(window, "&File")),
              (std::vector<std::string>{
                  "Tuning &Init|32771|Tuning Start", "-", "&Open...|32778|Open",
                  "&Save...|32779|Save", "-",
                  "&Restore Backup\u2026|32805|Put a backup of a radio's tuning "
                  "area back into the radio in tuner mode",
                  "Radio &History\u2026|32811|Every radio's jobs on this bench "
                  "or in the shop, with their reports",
                  "-", "E&xit|57665|Quit the application; prompts to save documents"}));
    EXPECT_EQ(menuItems(topMenu(window, "&Alignment")),
              (std::vector<std::string>{"TX &Power|32775|Power Tuning", "-",
                                        "TX &Modulation|32774|Modulation Tuning",
                                        "TX Su&b Audio (CMX $CD)|32801|",
                                        "TX Si&gnaling System|32789|ZEL Signaling System Deviation",
                                        "-", "RX &Squelch|32777|Squelch Tuning", "-",
                                        "&Auto Align\u2026|32807|Align power, deviation and "
                                        "squelch against an RF test set"}));
    EXPECT_EQ(menuItems(topMenu(window, "&Utillities")),
              (std::vector<std::string>{
                  "R&eset|32781|Send the Reset command", "-", "&FW Version|32785|FW Version Check",
                  "-", "Serial &Number|32786|Read the Serial number", "-", ">&Service"}));
    EXPECT_EQ(menuItems(topMenu(window, "&Tools")),
              (std::vector<std::string>{
                  "System Setup\tCtrl+T|32791|Configure serial communication port",
                  "Connection &Doctor...|32804|Find out why the cable's port cannot be used, and "
                  "how to fix it",
                  "&Options...|32806|Backups of every read, the check after every write and the "
                  "transmit limit"}));
    const auto help = menuItems(topMenu(window, "&Help"));
    ASSERT_EQ(help.size(), 4u);
    EXPECT_EQ(help[0], "&Radio Setup|32802|");
    EXPECT_EQ(help[1], "&Using Help|32803|");
    EXPECT_EQ(help[2], "-");
    EXPECT_TRUE(help[3].starts_with("&About Korvelo...|57664|"));

    // The commands no menu of the original layout offered, in the Service submenu.
    QMenu* service = topMenu(window, "&Utillities")->actions().back()->menu();
    ASSERT_NE(service, nullptr);
    std::vector<int> ids;
    for (QAction* a : service->actions())
        ids.push_back(a->data().toInt());
    EXPECT_EQ(ids, (std::vector<int>{32788, 32772, 32798, 32797}));

    EXPECT_EQ(window.action(cmd::FileOpen)->shortcut(), QKeySequence("Ctrl+O"));
    EXPECT_EQ(window.action(cmd::FileSave)->shortcut(), QKeySequence("Ctrl+S"));
}

// A second Tuning Init, which the radio refuses because it is in tuner mode already: what the
// first one made known stays (tuner mode, Restore Backup, the backup named in the status bar,
// Exit's leave-tuner-mode), and the message offers Reset, which runs the Reset command.
TEST_F(MainWindowTest, ARefusedSecondTuningInitKeepsWhatWasKnownAndOffersReset) {
    QTemporaryDir data;
    bench.session.guard.backupFolder = (data.path() + "/backups").toStdString();
    ASSERT_TRUE(window.runCommand(cmd::TuningInit));
    const std::filesystem::path backup = bench.session.guardRecord.backup;
    ASSERT_FALSE(backup.empty());
    const TuningImage image = bench.session.image;
    ASSERT_TRUE(enabled(cmd::RestoreBackup));

    QStringList asked;
    bool clicked = false;
    auto driver = std::make_unique<test::ModalDriver>([&](QWidget* modal) {
        if (auto* box = qobject_cast<QMessageBox*>(modal))
            asked << box->text();
        clicked = test::clickButton(modal, QStringLiteral("Not now"));
    });
    bench.notifier.notices.clear();
    ASSERT_TRUE(window.runCommand(cmd::TuningInit));
    driver.reset();
    ASSERT_EQ(asked.size(), 1);
    EXPECT_TRUE(clicked);
    EXPECT_EQ(asked[0], "This radio is already in Tuner Mode.\nAn earlier run may have left it "
                        "there: Reset, or korvelo-cli leave, takes it out of tuner mode.\n\n"
                        "Reset the radio now?");
    EXPECT_TRUE(bench.notifier.notices.empty());
    EXPECT_TRUE(bench.session.flags.inTunerMode);
    EXPECT_EQ(bench.session.guardRecord.backup, backup);
    EXPECT_EQ(bench.session.image, image);
    EXPECT_TRUE(enabled(cmd::RestoreBackup));
    EXPECT_EQ(window.modeIndicator()->text(), "Tuner mode");
    const QString note = window.statusBar()->currentMessage();
    EXPECT_TRUE(!note.startsWith("Backup kept in") ||
                note.contains(QString::fromStdString(backup.filename().string())))
        << note.toStdString();

    // Reset from the same question: the radio leaves tuner mode.
    asked.clear();
    test::ModalDriver reset([&](QWidget* modal) {
        if (auto* box = qobject_cast<QMessageBox*>(modal))
            asked << box->text();
        clicked = test::clickButton(modal, QStringLiteral("Reset"));
    });
    bench.radio.clearReceived();
    ASSERT_TRUE(window.runCommand(cmd::TuningInit));
    EXPECT_EQ(asked.size(), 1);
    EXPECT_TRUE(clicked);
    const auto frames = bench.radio.receivedFrames();
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(frames.back(), (std::vector<std::uint8_t>{0x02, 0x02, 0x72, 0x74, 0x03}));
    EXPECT_FALSE(bench.radio.tunerMode);
    EXPECT_FALSE(bench.session.flags.inTunerMode);
}

TEST_F(MainWindowTest, EnablingFollowsTheRadioStateFlags) {
    // At start: an AK2347 radio assumed, nothing loaded.
    EXPECT_TRUE(enabled(cmd::TuningInit));
    EXPECT_TRUE(enabled(cmd::FileOpen));
    EXPECT_FALSE(enabled(cmd::FileSave));
    EXPECT_FALSE(toolButton(cmd::FileSave)->isEnabled());
    EXPECT_TRUE(toolButton(cmd::TuningInit)->isEnabled());
    EXPECT_FALSE(enabled(cmd::TxSubAudio));
    EXPECT_FALSE(enabled(cmd::TxSignaling));
    EXPECT_TRUE(enabled(cmd::TxPower));
    // Service commands without a dialog yet are not offered; Country Code is.
    EXPECT_TRUE(enabled(cmd::CountryCode));
    EXPECT_FALSE(enabled(cmd::CmxTxSetup));

    // Tuning Init of a CMX148 radio with the 128-block memory.
    bench.radio.radioFlags = 0x20;
    ASSERT_TRUE(window.runCommand(cmd::TuningInit));
    ASSERT_FALSE(bench.notifier.notices.empty());
    EXPECT_EQ(bench.notifier.notices.back().text, "Radio has been successfully read !!");
    EXPECT_TRUE(enabled(cmd::TxSubAudio));
    EXPECT_FALSE(enabled(cmd::TxSignaling));
    EXPECT_TRUE(enabled(cmd::FileSave));
    EXPECT_TRUE(toolButton(cmd::FileSave)->isEnabled());

    // Another radio on the bench: an AK2347 with the 256-block memory, the reverse.
    bench.radio.radioFlags = 0x10;
    bench.radio.tunerMode = false;
    ASSERT_TRUE(window.runCommand(cmd::TuningInit));
    EXPECT_EQ(bench.notifier.notices.back().text, "Radio has been successfully read !!");
    EXPECT_FALSE(enabled(cmd::TxSubAudio));
    EXPECT_TRUE(enabled(cmd::TxSignaling));

    // A successful Reset takes Save away again.
    ASSERT_TRUE(window.runCommand(cmd::Reset));
    EXPECT_FALSE(enabled(cmd::FileSave));
    EXPECT_FALSE(toolButton(cmd::FileSave)->isEnabled());
    // A disabled command does not run from its shortcut either.
    EXPECT_FALSE(window.runCommand(cmd::FileSave));
}

TEST_F(MainWindowTest, TuningInitShowsItsProgressInTheStatusBar) {
    QStringList messages;
    QObject::connect(window.statusBar(), &QStatusBar::messageChanged,
                     [&](const QString& m) { messages << m; });
    ASSERT_TRUE(window.runCommand(cmd::TuningInit));
    EXPECT_EQ(messages, QStringList({"Reading block 1 of 4", "Reading block 2 of 4",
                                     "Reading block 3 of 4", "Reading block 4 of 4", ""}));
}

// The program's wiring: message boxes for the messages, the status bar for the waits.
struct StatusBarClock : Clock {
    explicit StatusBarClock(VirtualClock& c) : inner(c) {}
    void sleepMs(int ms) override { inner.sleepMs(ms); }
    bool wait(ReplyEvent& event, int timeoutMs) override {
        if (bar)
            seen << bar->currentMessage();
        return inner.wait(event, timeoutMs);
    }
    std::int64_t nowMs() const override { return inner.nowMs(); }
    VirtualClock& inner;
    QStatusBar* bar = nullptr;
    QStringList seen; // the status bar's text at each wait
};

// Waits say in the status bar what they wait for; an information read without an answer
// shows its message and no dialog; the gate names the port's last reason.
TEST(MainWindowRadioCommands, WaitsFailedReadsAndTheGate) {
    SimBench bench;
    StatusBarClock clock(bench.clock);
    MessageBoxNotifier notifier;
    AppEnv env{bench.session, bench.replies, clock, notifier, bench.ports};
    MainWindow window(env);
    notifier.setStatusSink([&window](const QString& text) { window.showProgress(text); });
    clock.bar = window.statusBar();
    window.startUp();
    window.show();
    QStringList shown; // every modal window: its title, or a message box's text
    test::ModalDriver driver([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        shown << (box ? box->text() : w->windowTitle());
        test::dismiss(w);
    });

    bench.radio.faults.silent = true;
    ASSERT_TRUE(window.runCommand(cmd::Reset));
    QStringList tries;
    for (int k = 1; k <= 5; ++k)
        tries << QStringLiteral("Waiting for the radio: Reset, try %1 of 5").arg(k);
    EXPECT_EQ(clock.seen, tries);
    EXPECT_EQ(window.statusBar()->currentMessage(), "");

    clock.seen.clear();
    for (int id : {cmd::FwVersion, cmd::SerialNumber, cmd::CountryCode})
        ASSERT_TRUE(window.runCommand(id));
    EXPECT_EQ(clock.seen, QStringList({"Waiting for the radio: FW Version",
                                       "Waiting for the radio: Serial Number",
                                       "Waiting for the radio: Country Code"}));

    bench.ports.failOpen = true;
    ASSERT_TRUE(window.runCommand(cmd::FwVersion));
    ASSERT_TRUE(window.runCommand(cmd::Reset));
    EXPECT_FALSE(driver.timedOut());
    EXPECT_EQ(
        shown,
        QStringList({"Radio Communication Error!!", "Please Power On or Change the cable.",
                     "Please Power On or Change the cable.", "Please Power On or Change the cable.",
                     "Fail Port open\nbusy", "Radio Communication Error!!\nbusy"}));
}

TEST_F(MainWindowTest, OpeningACmxFileEnablesSubAudioWithoutARadio) {
    QTemporaryDir dir;
    const QString path = dir.filePath("cmx.tun");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("TALVEX TUNER CMX");
    file.write(QByteArray(256, '\x5A'));
    file.close();
    window.setTuningFileDialogs(
        {[&](QWidget*) { return path; }, [](QWidget*, const QString&) { return QString(); }});

    ASSERT_TRUE(window.runCommand(cmd::FileOpen));
    EXPECT_TRUE(bench.notifier.notices.empty());
    EXPECT_TRUE(enabled(cmd::TxSubAudio));
    EXPECT_FALSE(enabled(cmd::TxSignaling));
    EXPECT_TRUE(enabled(cmd::FileSave));
    EXPECT_FALSE(env.session.flags.is256BlockMemory);
    EXPECT_EQ(env.session.image[0], 0x5A);
    EXPECT_TRUE(bench.radio.receivedFrames().empty());

    // Save writes the same file back through the save dialog's choice.
    const QString copy = dir.filePath("copy.tun");
    QString proposed;
    window.setTuningFileDialogs({[](QWidget*) { return QString(); },
                                 [&](QWidget*, const QString& suggested) {
                                     proposed = suggested;
                                     return copy;
                                 }});
    ASSERT_TRUE(window.runCommand(cmd::FileSave));
    // No radio read: no serial number and no band to name the file by.
    EXPECT_EQ(proposed, "radio_" + QDate::currentDate().toString(Qt::ISODate) + ".tun");
    QFile a(path), b(copy);
    ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    EXPECT_EQ(a.readAll(), b.readAll());
}

// File names outside ASCII are carried through to the file system and into the messages;
// while an AK2347 radio is in tuner mode, a CMX148 file is refused and changes nothing.
TEST_F(MainWindowTest, FileCommandsKeepNonAsciiNamesAndRefuseTheOtherChipInTunerMode) {
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("\u00DCbertr\u00E4ger \u65E5\u672C.tun"));
    env.session.flags.imageLoaded = true;
    env.session.flags.isAk2347Radio = false;
    env.session.image[0] = 0x3C;
    window.setTuningFileDialogs(
        {[&](QWidget*) { return name; }, [&](QWidget*, const QString&) { return name; }});
    ASSERT_TRUE(window.runCommand(cmd::FileSave));
    EXPECT_TRUE(QFile::exists(name));
    EXPECT_TRUE(bench.notifier.notices.empty());

    env.session.flags.inTunerMode = true; // an AK2347 radio read since
    env.session.flags.isAk2347Radio = true;
    env.session.image[0] = 0x11;
    window.updateCommandStates();
    ASSERT_TRUE(window.runCommand(cmd::FileOpen));
    ASSERT_EQ(bench.notifier.notices.size(), 1u);
    EXPECT_EQ(QString::fromStdString(bench.notifier.notices[0].text),
              "Cannot open the file\n" + name +
                  ": the file is for a CMX148 radio, but the radio in tuner mode has an AK2347 "
                  "audio processor");
    EXPECT_TRUE(env.session.flags.isAk2347Radio);
    EXPECT_EQ(env.session.image[0], 0x11);
    EXPECT_FALSE(enabled(cmd::TxSubAudio));

    env.session.flags.inTunerMode = false;
    bench.notifier.notices.clear();
    ASSERT_TRUE(window.runCommand(cmd::FileOpen));
    EXPECT_TRUE(bench.notifier.notices.empty());
    EXPECT_EQ(env.session.image[0], 0x3C);
    EXPECT_TRUE(enabled(cmd::TxSubAudio));
}

TEST_F(MainWindowTest, PortFaultGateRefusesRadioCommandsOnly) {
    env.session.flags.portFault = true;
    const RadioStateFlags before = env.session.flags;
    // Nothing may open; anything that does is counted and closed.
    auto refused = std::make_unique<test::ModalDriver>([](QWidget* w) { test::dismiss(w); });
    for (int id : {cmd::TxPower, cmd::FwVersion, cmd::SerialNumber, cmd::CountryCode, cmd::Reset,
                   cmd::TxModulation, cmd::RxSquelch}) {
        bench.notifier.notices.clear();
        ASSERT_TRUE(window.runCommand(id)) << id;
        ASSERT_EQ(bench.notifier.notices.size(), 1u) << id;
        EXPECT_EQ(bench.notifier.notices[0],
                  (Notice{"Radio Communication Error!!", Icon::Exclamation}));
    }
    EXPECT_EQ(refused->seen(), 0);
    refused.reset();
    EXPECT_EQ(FakePage::constructed, 0);
    EXPECT_TRUE(bench.radio.receivedFrames().empty());
    EXPECT_EQ(env.session.flags.inTunerMode, before.inTunerMode);
    EXPECT_EQ(env.session.flags.imageLoaded, before.imageLoaded);

    // About, Radio Setup and System Setup still open; the gate says nothing.
    bench.notifier.notices.clear();
    QStringList opened;
    test::ModalDriver driver([&](QWidget* w) {
        opened << w->windowTitle();
        test::dismiss(w);
    });
    window.runCommand(cmd::About);
    window.runCommand(cmd::RadioSetup);
    EXPECT_FALSE(driver.timedOut());
    EXPECT_EQ(opened, QStringList({"About Korvelo", "Radio Setup"}));
    EXPECT_TRUE(bench.notifier.notices.empty());

    // Without the fault the page opens.
    env.session.flags.portFault = false;
    test::ModalDriver pageDriver([](QWidget* w) { test::dismiss(w); });
    window.runCommand(cmd::TxPower);
    EXPECT_EQ(FakePage::constructed, 1);
}

TEST_F(MainWindowTest, ExitLeavesTunerModeOnlyWhenInIt) {
    // Not in tuner mode: nothing is sent, the window closes.
    window.runCommand(cmd::Exit);
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(bench.radio.receivedFrames().empty());
}

TEST_F(MainWindowTest, ExitInTunerModeSendsLeaveAndCloses) {
    env.session.flags.inTunerMode = true;
    bench.clock.clearSteps();
    window.runCommand(cmd::Exit);
    EXPECT_FALSE(window.isVisible());
    const auto frames = bench.radio.receivedFrames();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0], kLeaveTunerMode);
}

TEST_F(MainWindowTest, CloseBoxInTunerModeClosesEvenWhenTheRadioIsSilent) {
    env.session.flags.inTunerMode = true;
    bench.radio.faults.silent = true;
    bench.clock.clearSteps();
    const auto start = bench.clock.nowMs();
    EXPECT_TRUE(window.close());
    EXPECT_FALSE(window.isVisible());
    ASSERT_EQ(bench.radio.receivedFrames().size(), 1u);
    EXPECT_EQ(bench.radio.receivedFrames()[0], kLeaveTunerMode);
    // The 30 ms pause and the full 1,000 ms wait, then the window closes.
    const std::vector<VirtualClock::Step> expected = {{VirtualClock::Step::Sleep, 30, false},
                                                      {VirtualClock::Step::Wait, 1000, false}};
    EXPECT_EQ(bench.clock.steps(), expected);
    EXPECT_EQ(bench.clock.nowMs() - start, 1030);
}

#ifndef _WIN32
// A run that died left its state file naming a port whose radio is keyed and in tuner mode: the
// next start names the port and what may be on, and on "Send PTT off" unkeys the radio there
// and takes it out of tuner mode; the file is gone, so the next start does not ask again.
TEST(UncleanEnd, TheProgramOffersToUnkeyAndLeaveTunerModeOnThePortNamed) {
    sim::PtyRadio radio;
    ASSERT_TRUE(radio.start());
    radio.withModel([](sim::RadioModel& m) {
        m.tunerMode = true;
        m.pttOn = true;
    });
    // A process that has ended.
    const pid_t gone = ::fork();
    if (gone == 0)
        ::_exit(0);
    ASSERT_EQ(::waitpid(gone, nullptr, 0), gone);
    QTemporaryDir folder;
    LinkState left{radio.devicePath(), "KV00012345", true, true, gone, ""};
    std::ofstream(std::filesystem::path(folder.path().toStdString()) / "link-left.state")
        << encodeLinkState(left);
    LinkStateFile file(folder.path().toStdString());

    SimBench bench;
    RealClock clock; // the radio is on a real pseudo-terminal
    AppEnv env{bench.session, bench.replies, clock, bench.notifier, bench.ports};
    MainWindow window{env};
    QStringList asked;
    test::ModalDriver driver([&](QWidget* modal) {
        if (auto* box = qobject_cast<QMessageBox*>(modal))
            asked << box->text();
        test::clickButton(modal, QStringLiteral("Send PTT off"));
    });
    offerUncleanEndRecovery(window, file);
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked[0].toStdString(),
              "Korvelo did not end cleanly while the radio on " + radio.devicePath() +
                  " (serial number KV00012345) was in tuner mode and its transmitter may have "
                  "been keyed.\n\nSend PTT off and leave tuner mode on " +
                  radio.devicePath() + " now?");
    EXPECT_EQ(
        radio.withModel([](sim::RadioModel& m) { return m.receivedFrames(); }),
        (std::vector<std::vector<std::uint8_t>>{{0x02, 0x02, 0x82, 0x84, 0x03}, kLeaveTunerMode}));
    EXPECT_FALSE(radio.withModel([](sim::RadioModel& m) { return m.pttOn || m.tunerMode; }));
    EXPECT_TRUE(file.leftUnclean().empty());
    EXPECT_TRUE(bench.notifier.notices.empty());
}
#endif

} // namespace
} // namespace korvelo
