// The meter's reading typed on a keyed page, by keys, against the simulated radio: the row's
// field judges it against the band's limits at once, in words, and the job keeps it with the
// softpot value of that moment; a new reading replaces the row's earlier one, also in the
// bench's record file. The PTT button answers to its mnemonic. Set KORVELO_SCREENSHOT_DIR to
// keep a picture of the page.
#include "gui/gui_test_support.h"
#include "radio/tuning_start.h"
#include "record/job_store.h"
#include "record/recorder.h"
#include "softpot/gui/softpot_row_widget.h"
#include "softpot/txpower/tx_power_dialog.h"
#include "support/scratch_dir.h"
#include "support/sim_bench.h"
#include "testset/typed_readings.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>

namespace korvelo {
namespace {

// The readings of the job that were typed on a page.
QVector<record::JobReading> typed(const record::Job& job) {
    QVector<record::JobReading> out;
    for (const record::JobReading& r : job.readings)
        if (r.manual)
            out.push_back(r);
    return out;
}

TEST(TypedReading, IsJudgedAtOnceAndKeptInTheJobWithTheValueOfThatMoment) {
    setReadingLimitFinder(testset::typedReadingLimit);
    struct Uninstall {
        ~Uninstall() { setReadingLimitFinder({}); }
    } uninstall;
    ScratchDir dir("korvelo-typed-reading");
    const QString file = QString::fromStdString((dir / "record.sqlite").string());
    record::Recorder recorder(file, {"bench-1", "Ann Tech", "9.9.9"});
    SimBench bench;
    bench.radio.radioType = 0; // VHF: High Power 4.75 to 5.25 W
    bench.session.recorder = &recorder;
    TuningInit(bench.env());
    ASSERT_TRUE(bench.session.flags.inTunerMode);
    recorder.reading(bench.session, {"High Power, point 1 (136.00000 MHz)", "Power", "W", 5, 4.75,
                                     5.25, 5.01, true}); // Auto Align's, left as it is
    AppEnv env = bench.env();
    CTxPower dialog(env, nullptr);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));

    SoftpotRowWidget& row = dialog.rowWidget(0);
    QLineEdit* field = row.readingEdit();
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->accessibleName(), "High Power, point 1, Meter reading (W)");
    ASSERT_TRUE(field->isEnabled());
    // Tab keeps the rows together: scroll bar, Working Softpot, reading, then the next row.
    row.workingEdit()->setFocus();
    QTest::keyClick(row.workingEdit(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), field);
    QTest::keyClick(field, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), dialog.rowWidget(1).scrollBar());

    // Keyed on the row at a value one step up, the meter says 5.02 W.
    QTest::keyClick(row.scrollBar(), Qt::Key_Right);
    QTest::mouseClick(dialog.pttButton(), Qt::LeftButton);
    ASSERT_TRUE(bench.radio.pttOn);
    const QString first = row.workingEdit()->text();
    field->setFocus();
    QTest::keyClicks(field, "5.02");
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(row.verdictLabel()->text(), "PASS");
    EXPECT_EQ(row.verdictLabel()->accessibleDescription(),
              "5.02 W at softpot " + first + ": PASS (limits 4.75 to 5.25 W)");
    ASSERT_EQ(typed(*recorder.currentJob()).size(), 1);
    record::JobReading kept = typed(*recorder.currentJob()).front();
    EXPECT_EQ(kept.value, "High Power, point 1 (136.00000 MHz)");
    EXPECT_EQ(kept.softpot, first);
    EXPECT_DOUBLE_EQ(kept.reading, 5.02);
    EXPECT_TRUE(kept.pass);
    EXPECT_EQ(kept.unit, "W");

    // The value moves on: the verdict says which value it was for. A number typed into the
    // Working Softpot but not entered is not what the radio sends.
    QTest::keyClick(row.scrollBar(), Qt::Key_Right);
    const QString second = row.workingEdit()->text();
    ASSERT_NE(second, first);
    EXPECT_EQ(row.verdictLabel()->text(), "PASS at " + first);
    row.workingEdit()->selectAll();
    QTest::keyClicks(row.workingEdit(), "9");
    // The new reading, with a decimal comma, fails and replaces the row's earlier one.
    field->selectAll();
    QTest::keyClicks(field, "4,1");
    QTest::keyClick(field, Qt::Key_Enter);
    EXPECT_EQ(row.verdictLabel()->text(), "FAIL");
    EXPECT_EQ(field->text(), "4.1");
    // Text that is no number is no reading: the kept one stays.
    field->selectAll();
    QTest::keyClicks(field, "-");
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(field->text(), "4.1");
    EXPECT_EQ(row.verdictLabel()->text(), "FAIL");

    const auto expectKept = [&](const record::Job& job) {
        const QVector<record::JobReading> readings = typed(job);
        ASSERT_EQ(readings.size(), 1);
        EXPECT_EQ(readings[0].softpot, second);
        EXPECT_DOUBLE_EQ(readings[0].reading, 4.1);
        EXPECT_FALSE(readings[0].pass);
        EXPECT_EQ(job.readings.size(), 2) << "Auto Align's reading stays beside it";
    };
    expectKept(*recorder.currentJob());
    recorder.flush();
    {
        QString why;
        QSqlDatabase db = record::openLocalDatabase(file, "typed-reading-check", &why);
        ASSERT_TRUE(db.isValid()) << why.toStdString();
        record::JobStore store(db);
        const std::optional<record::Job> stored = store.job(recorder.currentJob()->id);
        ASSERT_TRUE(stored);
        expectKept(*stored);
    }
    QSqlDatabase::removeDatabase("typed-reading-check");

    if (const char* shots = std::getenv("KORVELO_SCREENSHOT_DIR"))
        dialog.grab().save(QString::fromUtf8(shots) + "/tx_power_reading.png");

    // Alt+T is the PTT button's, whatever its caption.
    EXPECT_EQ(dialog.pttButton()->text(), "P&TT ON");
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    QTest::keyClick(&dialog, Qt::Key_T, Qt::AltModifier);
    // A mnemonic clicks the button as a mouse would, pressed for a moment.
    for (int i = 0; i < 100 && bench.radio.pttOn; ++i)
        QTest::qWait(20);
    EXPECT_FALSE(bench.radio.pttOn);
    EXPECT_EQ(dialog.pttButton()->text(), "P&TT OFF");

    test::ModalDriver discard([](QWidget* w) { test::clickButton(w, "Discard"); });
    dialog.reject();
    bench.session.recorder = nullptr;
}

} // namespace
} // namespace korvelo
