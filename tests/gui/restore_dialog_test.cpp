// File > "Restore Backup…" through its real widgets, against the simulated radio on virtual
// time: this radio's backups, others on request with a warning, what would change, and the
// restore.
#include "gui/command_ids.h"
#include "gui/gui_test_support.h"
#include "gui/main_window.h"
#include "gui/restore_dialog.h"
#include "radio/backup.h"
#include "support/scratch_dir.h"
#include "support/sim_bench.h"

#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

namespace korvelo {
namespace {

TEST(RestoreBackupDialog, ListsThisRadioFirstShowsTheChangesAndRestores) {
    ScratchDir dir("korvelo-restore-dialog");
    SimBench bench;
    bench.radio.radioFlags = 0x10;
    bench.radio.radioType = 5;
    bench.radio.tunerMode = true;
    AppEnv env = bench.env();
    MainWindow window{env};
    window.startUp();
    window.show();
    Session& s = bench.session;
    s.flags.inTunerMode = true;
    s.flags.imageLoaded = true;
    s.flags.is256BlockMemory = true;
    s.guard.backupFolder = dir / "backups";
    s.guardRecord.serialNumber = "KV00012345";
    window.updateCommandStates();

    TuningImage mine;
    std::copy_n(bench.radio.tuningArea().begin(), 256, mine.bytes().begin());
    const int old = mine[0x18];
    mine[0x18] = 40;
    BackupFacts facts;
    facts.serial = "KV00012345";
    facts.bandType = 5;
    facts.is256BlockMemory = true;
    facts.time = "20261208T221500Z";
    ASSERT_TRUE(writeBackup(s.guard.backupFolder, {true, mine}, facts).ok());
    facts.serial = "KV00099999";
    facts.time = "20261209T080000Z"; // newer, but another radio's
    ASSERT_TRUE(writeBackup(s.guard.backupFolder, {true, TuningImage{}}, facts).ok());

    int rowsAtFirst = -1, rowsWithOthers = -1;
    QString firstSerial, changes;
    bool warned = false;
    test::ModalDriver driver([&](QWidget* modal) {
        auto* d = qobject_cast<RestoreBackupDialog*>(modal);
        if (!d) {
            test::dismiss(modal);
            return;
        }
        rowsAtFirst = d->model()->rowCount();
        d->showOthers()->setFocus();
        QTest::keyClick(d->showOthers(), Qt::Key_Space);
        rowsWithOthers = d->model()->rowCount();
        firstSerial = d->model()->index(0, 1).data().toString();
        for (auto* label : d->findChildren<QLabel*>())
            warned = warned || (label->isVisible() && label->text().contains("misaligns"));
        d->list()->setFocus();
        QTest::keyClick(d->list(), Qt::Key_Home);
        changes = d->changes()->toPlainText();
        QTest::mouseClick(d->restoreButton(), Qt::LeftButton);
    });
    EXPECT_TRUE(window.runCommand(cmd::RestoreBackup));
    EXPECT_FALSE(driver.timedOut());
    EXPECT_EQ(rowsAtFirst, 1);
    EXPECT_EQ(rowsWithOthers, 2);
    EXPECT_EQ(firstSerial, "KV00012345");
    EXPECT_TRUE(warned);
    EXPECT_EQ(changes.toStdString(),
              QStringLiteral("Writes TX power (0x3F16..0x3F1F).\n\nTransmit Power\n"
                             "  High Power, point 2 (150.00000 MHz): %1 -> 40\n")
                  .arg(old)
                  .toStdString());
    EXPECT_EQ(bench.radio.tuningArea()[0x18], 40);
    EXPECT_EQ(s.image[0x18], 40);
    ASSERT_FALSE(bench.notifier.notices.empty());
    EXPECT_EQ(bench.notifier.notices.back().text,
              "The backup has been restored: 1 region written and read back.");
}

} // namespace
} // namespace korvelo
