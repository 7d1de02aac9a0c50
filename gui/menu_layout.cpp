#include "gui/menu_layout.h"

#include "gui/command_ids.h"

#include <array>

namespace korvelo {

bool isEnabledBy(EnableRule rule, const RadioStateFlags& flags) {
    switch (rule) {
    case EnableRule::Always:
        return true;
    case EnableRule::ImageLoaded:
        return flags.imageLoaded;
    case EnableRule::CmxRadio:
        return !flags.isAk2347Radio;
    case EnableRule::AkRadio:
        return flags.isAk2347Radio;
    case EnableRule::AkRadioWith256:
        return flags.is256BlockMemory && flags.isAk2347Radio;
    case EnableRule::TunerMode:
        return flags.inTunerMode;
    }
    return false;
}

namespace {

constexpr MenuEntry kSeparator{0, nullptr, nullptr};

constexpr std::array kFile = {
    MenuEntry{cmd::TuningInit, "Tuning &Init", "Tuning Start"},
    kSeparator,
    MenuEntry{cmd::FileOpen, "&Open...", "Open", EnableRule::Always, "Ctrl+O"},
    MenuEntry{cmd::FileSave, "&Save...", "Save", EnableRule::ImageLoaded, "Ctrl+S"},
    kSeparator,
    MenuEntry{cmd::RestoreBackup, "&Restore Backup\u2026",
              "Put a backup of a radio's tuning area back into the radio in tuner mode\nRestore "
              "Backup",
              EnableRule::TunerMode},
    MenuEntry{cmd::RadioHistory, "Radio &History\u2026",
              "Every radio's jobs on this bench or in the shop, with their reports\nRadio History"},
    kSeparator,
    MenuEntry{cmd::Exit, "E&xit", "Quit the application; prompts to save documents\nExit"},
};

constexpr std::array kAlignment = {
    MenuEntry{cmd::TxPower, "TX &Power", "Power Tuning"},
    kSeparator,
    MenuEntry{cmd::TxModulation, "TX &Modulation", "Modulation Tuning"},
    MenuEntry{cmd::TxSubAudio, "TX Su&b Audio (CMX $CD)", nullptr, EnableRule::CmxRadio},
    MenuEntry{cmd::TxSignaling, "TX Si&gnaling System", "ZEL Signaling System Deviation",
              EnableRule::AkRadioWith256},
    kSeparator,
    MenuEntry{cmd::RxSquelch, "RX &Squelch", "Squelch Tuning"},
    kSeparator,
    MenuEntry{cmd::AutoAlign, "&Auto Align\u2026",
              "Align power, deviation and squelch against an RF test set\nAuto Align",
              EnableRule::TunerMode},
};

constexpr std::array kUtilities = {
    MenuEntry{cmd::Reset, "R&eset", "Send the Reset command"},
    kSeparator,
    MenuEntry{cmd::FwVersion, "&FW Version", "FW Version Check"},
    kSeparator,
    MenuEntry{cmd::SerialNumber, "Serial &Number", "Read the Serial number"},
};

// Commands that no menu of the original layout issues, offered to service staff. A register
// page writes its bytes into the tuning area of the radio it is for only: the same bytes
// mean other things to the other audio processor.
constexpr std::array kService = {
    MenuEntry{cmd::CountryCode, "Country Code", "Country Code Check"},
    MenuEntry{cmd::AkTxMode, "AK2347 TX Mode", "AK2347 setting TX Mode", EnableRule::AkRadio},
    MenuEntry{cmd::CmxTxSetup, "CMX148 TX Setup", "CMX148 transmit register setup",
              EnableRule::CmxRadio},
    MenuEntry{cmd::CmxRxSetup, "CMX148 RX Setup", "CMX148 receive register setup",
              EnableRule::CmxRadio},
};

constexpr std::array kTools = {
    MenuEntry{cmd::SystemSetup, "System Setup\tCtrl+T",
              "Configure serial communication port\nSetup", EnableRule::Always, "Ctrl+T"},
    MenuEntry{cmd::ConnectionDoctor, "Connection &Doctor...",
              "Find out why the cable's port cannot be used, and how to fix it\nConnection Doctor"},
    MenuEntry{cmd::Options, "&Options...",
              "Backups of every read, the check after every write and the transmit limit\nOptions"},
};

constexpr std::array kHelp = {
    MenuEntry{cmd::RadioSetup, "&Radio Setup", nullptr},
    MenuEntry{cmd::UsingHelp, "&Using Help", nullptr},
    kSeparator,
    MenuEntry{cmd::About, "&About Korvelo...",
              "Display program information, version number and copyright\nAbout"},
};

constexpr std::array kMenus = {
    MenuSpec{"&File", kFile},
    MenuSpec{"&Alignment", kAlignment},
    MenuSpec{"&Utillities", kUtilities, "&Service", kService},
    MenuSpec{"&Tools", kTools},
    MenuSpec{"&Help", kHelp},
};

constexpr std::array kToolbar = {cmd::TuningInit, cmd::FileOpen, cmd::FileSave, 0, cmd::About};

} // namespace

std::span<const MenuSpec> mainMenus() {
    return kMenus;
}
std::span<const int> toolbarPlaces() {
    return kToolbar;
}

} // namespace korvelo
