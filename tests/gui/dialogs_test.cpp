// Message boxes, the radio information dialogs, the GUI clock and the manual's look-up.
#include "app/gui/gui_clock.h"
#include "app/gui/help_launcher.h"
#include "app/gui/message_box_notifier.h"
#include "app/gui/utility_dialogs.h"
#include "gui/gui_test_support.h"
#include "support/sim_bench.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
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
    CFWVersionDlg fw(env, nullptr);
    EXPECT_EQ(fw.windowTitle(), "FW Version");
    EXPECT_EQ(fw.valueEdit()->text(), "D12.34");
    EXPECT_TRUE(fw.valueEdit()->isReadOnly());

    CSerialnumDlg serial(env, nullptr);
    EXPECT_EQ(serial.valueEdit()->text(), "KV00012345");

    bench.radio.countryCode = 1;
    CCountryCode country(env, nullptr);
    EXPECT_EQ(country.countryBox()->currentText(), "Australia");
    EXPECT_FALSE(country.countryBox()->isEnabled());
    bench.radio.countryCode = 7;
    CCountryCode none(env, nullptr);
    EXPECT_EQ(none.countryBox()->currentIndex(), -1);
    EXPECT_TRUE(bench.notifier.notices.empty());

    // A switched-off radio: the power-on message, then the initial text.
    bench.radio.faults.silent = true;
    CFWVersionDlg silent(env, nullptr);
    EXPECT_EQ(silent.valueEdit()->text(), "00.00");
    ASSERT_EQ(bench.notifier.notices.size(), 1u);
    EXPECT_EQ(bench.notifier.notices[0].text, "Please Power On or Change the cable.");
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

} // namespace
} // namespace korvelo
