#pragma once
// The main window's menus, toolbar and their enabling, as data.
#include "radio/radio_state.h"

#include <span>

namespace korvelo {

// When a command is offered (besides having a handler at all).
enum class EnableRule {
    Always,
    ImageLoaded,    // File "&Save..."
    CmxRadio,       // the sub-audio page and the CMX148 register pages: a CMX148 radio
    AkRadio,        // the AK2347 register page: an AK2347 radio
    AkRadioWith256, // the signalling page: an AK2347 radio with the 256-block memory
    TunerMode,      // File "Restore Backup...": a radio in tuner mode
};

bool isEnabledBy(EnableRule rule, const RadioStateFlags& flags);

struct MenuEntry {
    int id;              // 0: separator
    const char* caption; // with its & mnemonic; a tab separates the shortcut text
    const char* prompt;  // status-bar prompt; after "\n" the tool tip; nullptr for none
    EnableRule rule = EnableRule::Always;
    const char* shortcut = nullptr; // a key sequence such as "Ctrl+O"
};

struct MenuSpec {
    const char* title;
    std::span<const MenuEntry> entries;
    // A submenu at the end of this menu (the "Service" commands); empty when none.
    const char* submenuTitle = nullptr;
    std::span<const MenuEntry> submenu = {};
};

std::span<const MenuSpec> mainMenus();

// The toolbar's places: command ids, 0 for the separator.
std::span<const int> toolbarPlaces();

} // namespace korvelo
