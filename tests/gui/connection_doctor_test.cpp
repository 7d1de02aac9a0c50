// The Connection Doctor dialog over a made-up machine: the port table (a checked model), the
// findings, and Find my cable worked from the keyboard, storing the port after the
// confirmation.
#include "gui/connection_doctor_dialog.h"
#include "gui/gui_test_support.h"
#include "link/qt/tuner_settings.h"

#include <QAbstractItemModelTester>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QStringListModel>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace korvelo {
namespace {

SSerInfo port(std::string name, std::string description = {}) {
    SSerInfo p;
    p.portName = name;
    p.devicePath = "/dev/" + name;
    p.portDescription = std::move(description);
    return p;
}

TEST(ConnectionDoctorDialogTest, ShowsPortsAndFindingsAndFindMyCableStoresThePort) {
    QTemporaryDir profile, root;
    ASSERT_TRUE(profile.isValid() && root.isValid());
    KORVELO_USE_TEST_PROFILE(profile.path());

    std::vector<SSerInfo> ports{port("ttyS0")};
    auto gather = [&] {
        const TunerSettings settings;
        doctor::DoctorInput in;
        in.ports.ports = ports;
        in.profile = {settings.autoDetect().toStdString(), settings.com().toStdString()};
        in.os = HostOs::Linux;
        in.system.root = root.path().toStdString();
        in.system.user = {1000, "tech", {1000}, 1};
        return in;
    };
    ConnectionDoctorDialog dialog(gather);
    QAbstractItemModelTester tester(dialog.portModel(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    dialog.show();

    PortTableModel* model = dialog.portModel();
    ASSERT_EQ(model->rowCount(), 1);
    EXPECT_EQ(model->headerData(PortTableModel::Search, Qt::Horizontal), "Automatic search");
    EXPECT_EQ(model->index(0, PortTableModel::Port).data(), "ttyS0");
    EXPECT_TRUE(dialog.findingModel()->stringList().first().startsWith(
        "No CP210x cable is among the serial ports."));
    EXPECT_TRUE(dialog.choiceLabel()->text().endsWith("No usable cable port was found."));

    // Find my cable: OK with the cable unplugged, OK once it is back (now a CP210x on
    // ttyUSB3 is listed), then Yes to the port it found; all from the keyboard.
    QString question;
    int step = 0;
    test::ModalDriver driver([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->windowTitle(), "Tuner Tool");
        switch (++step) {
        case 1:
            EXPECT_TRUE(box->text().contains("Unplug the programming cable"));
            QTest::keyClick(box, Qt::Key_Return);
            break;
        case 2:
            ports.push_back(port("ttyUSB3", "CP2102 USB to UART Bridge Controller"));
            QTest::keyClick(box, Qt::Key_Return);
            break;
        default:
            question = box->text();
            QTest::keyClick(box->button(QMessageBox::Yes), Qt::Key_Space);
        }
    });
    dialog.findButton()->setFocus();
    QTest::keyClick(dialog.findButton(), Qt::Key_Space);
    EXPECT_FALSE(driver.timedOut());
    EXPECT_EQ(step, 3);
    EXPECT_TRUE(question.startsWith(
        "The cable is on ttyUSB3 (CP2102 USB to UART Bridge Controller).\r\n\r\nUse this port"))
        << question.toStdString();

    const TunerSettings stored;
    EXPECT_EQ(stored.autoDetect(), "No");
    EXPECT_EQ(stored.com(), "ttyUSB3");
    // The dialog checked again: the stored port is the one Korvelo uses now.
    ASSERT_EQ(model->rowCount(), 2);
    EXPECT_EQ(model->index(1, PortTableModel::UsedNow).data(), "Yes");
    EXPECT_EQ(model->index(1, PortTableModel::Search).data(), "Takes it");
    EXPECT_TRUE(dialog.choiceLabel()->text().startsWith("System Configuration: ttyUSB3"));
}

} // namespace
} // namespace korvelo
