// System Configuration and the profile-driven port choice, against a temporary profile.
#include "gui/gui_test_support.h"
#include "gui/serial_comm_dialog.h"
#include "link/qt/profile_port_provider.h"
#include "link/qt/tuner_settings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace korvelo {
namespace {

class TempProfile : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        KORVELO_USE_TEST_PROFILE(dir_.path());
    }
    // The profile as stored, read independently of the program's settings class.
    QVariant stored(const QString& key) {
        QSettings raw(QSettings::NativeFormat, QSettings::UserScope,
                      "Local AppWizard-Generated Applications", "Tuner Tool");
        return raw.value("Settings/" + key);
    }
    void store(const QString& key, const QString& value) {
        QSettings raw(QSettings::NativeFormat, QSettings::UserScope,
                      "Local AppWizard-Generated Applications", "Tuner Tool");
        raw.setValue("Settings/" + key, value);
    }

    const QStringList ports{"ttyS0", "ttyUSB0", "ttyUSB1"};

  private:
    QTemporaryDir dir_;
};

using SystemConfiguration = TempProfile;

TEST_F(SystemConfiguration, FirstStartWritesAutoAndShowsTheListDisabled) {
    EXPECT_FALSE(stored("AUTO").isValid());
    CSerialCommDlg dialog(ports, nullptr);
    EXPECT_EQ(dialog.windowTitle(), "System Configuration");
    EXPECT_EQ(stored("AUTO").toString(), "Yes");
    EXPECT_TRUE(dialog.autoDetectBox()->isChecked());
    EXPECT_FALSE(dialog.portList()->isEnabled());
    EXPECT_FALSE(dialog.portLabel()->isEnabled());
    EXPECT_EQ(dialog.portList()->count(), 3);
    EXPECT_EQ(dialog.portList()->currentText(), "ttyS0");
    EXPECT_EQ(dialog.autoDetectBox()->text(), "Auto Detect COM Port");
    EXPECT_EQ(dialog.portLabel()->text(), "Select COM Port");
}

TEST_F(SystemConfiguration, UncheckingEnablesTheListAndOkStoresNoAndThePort) {
    store("COM", "ttyUSB1");
    CSerialCommDlg dialog(ports, nullptr);
    EXPECT_EQ(dialog.portList()->currentText(), "ttyUSB1");
    dialog.autoDetectBox()->click();
    EXPECT_TRUE(dialog.portList()->isEnabled());
    EXPECT_TRUE(dialog.portLabel()->isEnabled());
    dialog.portList()->setCurrentIndex(1);
    dialog.accept();
    EXPECT_EQ(stored("AUTO").toString(), "No");
    EXPECT_EQ(stored("COM").toString(), "ttyUSB0");
}

TEST_F(SystemConfiguration, ManualProfileStartsUncheckedAndAnUnknownPortSelectsTheFirst) {
    store("AUTO", "No");
    store("COM", "ttyACM9");
    {
        CSerialCommDlg dialog(ports, nullptr);
        EXPECT_FALSE(dialog.autoDetectBox()->isChecked());
        EXPECT_TRUE(dialog.portList()->isEnabled());
        EXPECT_EQ(dialog.portList()->currentIndex(), 0);
        dialog.reject(); // Cancel stores nothing
    }
    EXPECT_EQ(stored("COM").toString(), "ttyACM9");
    CSerialCommDlg dialog(ports, nullptr);
    dialog.accept();
    EXPECT_EQ(stored("AUTO").toString(), "No");
    EXPECT_EQ(stored("COM").toString(), "ttyS0");
}

using ProfilePorts = TempProfile;

// The name a port is opened by: its device path, but on Windows its name (COM5).
std::optional<std::string> openedAs(const std::string& name) {
#ifdef _WIN32
    return name;
#else
    return "/dev/" + name;
#endif
}

SSerInfo usbPort(std::string name, std::string description) {
    SSerInfo p;
    p.portName = name;
    p.devicePath = "/dev/" + name;
    p.portDescription = std::move(description);
    return p;
}

TEST_F(ProfilePorts, ReadsTheProfileAfreshAtEveryChoice) {
    ProfilePortProvider provider([] {
        return PortEnumeration{{usbPort("ttyUSB0", "FT232R USB UART"),
                                usbPort("ttyUSB3", "CP2102 USB to UART Bridge Controller")},
                               {}};
    });
    RecordingNotifier notifier;
    bool portFault = true;
    // No profile value: automatic detection finds the bridge and clears portFault.
    EXPECT_EQ(provider.choosePort(notifier, portFault), openedAs("ttyUSB3"));
    EXPECT_FALSE(portFault);

    store("AUTO", "no"); // lower case is still automatic
    EXPECT_EQ(provider.choosePort(notifier, portFault), openedAs("ttyUSB3"));

    store("AUTO", "No");
    store("COM", "ttyUSB0");
    EXPECT_EQ(provider.choosePort(notifier, portFault), openedAs("ttyUSB0"));

    store("COM", "");
    EXPECT_EQ(provider.choosePort(notifier, portFault), std::nullopt);
    ASSERT_EQ(notifier.notices.size(), 1u);
    EXPECT_EQ(notifier.notices[0].text,
              "Radio Communication Error!! \r\n\r\nPlease Connect the Port selection.");
}

TEST_F(ProfilePorts, NoBridgeSetsPortFaultAndTellsTheUser) {
    ProfilePortProvider provider([] {
        return PortEnumeration{{usbPort("ttyUSB0", "FT232R USB UART")}, {}};
    });
    RecordingNotifier notifier;
    bool portFault = false;
    EXPECT_EQ(provider.choosePort(notifier, portFault), std::nullopt);
    EXPECT_TRUE(portFault);
    ASSERT_EQ(notifier.notices.size(), 1u);
    EXPECT_EQ(notifier.notices[0].icon, Icon::Exclamation);
}

} // namespace
} // namespace korvelo
