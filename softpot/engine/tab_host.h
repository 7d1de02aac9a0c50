#pragma once
// A dialog of three alignment pages, one per channel spacing, on tabs in the order 12.5, 25
// and 20 kHz, with one "Program" for all three. The host's own rules live here: tabs refused
// until an image was read or loaded, the caption of a page reset when its tab is left, the
// set-up block preset (and the first row set up) when a tab is entered, the "Program" that
// fills absent points from a point mask and writes its regions on one link, and closing.
// Each dialog gives its tables in a TabHostSpec. UI-free like SoftpotGroup.
#include "softpot/engine/page_close.h"
#include "softpot/engine/softpot_group.h"

#include <array>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace korvelo {

struct TabHostSpec {
    static constexpr int kTabs = 3;
    std::string_view title;
    int templateId = 0; // the host's dialog template
    std::array<std::string_view, kTabs> tabs{"12.5KHz", "25KHz", "20KHz"};
    std::array<const PageSpec*, kTabs> pages{};
    // When a tab is entered: the preset of the set-up block, then (on transmit pages) the
    // setup of the entered page's first row.
    BlockPreset tabPreset;
    bool tabSetsUpFirstRow = false;
    // The frequency that setup uses in place of the row's own; none: the row's.
    std::optional<long> tabSetupHz;
    // Image byte whose bits 0..3 tell which of points 1..4 the radio has; at "Program" an
    // absent point takes the values of the point above it. None: every point is written as is.
    std::optional<std::uint8_t> pointMask;
    // The region writes of "Program", in order, on one link.
    std::vector<WriteRegionSpec> writes;
};

class SoftpotTabHost {
  public:
    SoftpotTabHost(const AppEnv& env, const TabHostSpec& tables);

    const TabHostSpec& tables() const { return tables_; }
    SoftpotGroup& page(int tab) { return *pages_.at(static_cast<std::size_t>(tab)); }
    const SoftpotGroup& page(int tab) const { return *pages_.at(static_cast<std::size_t>(tab)); }
    std::array<SoftpotGroup*, TabHostSpec::kTabs> pages();
    int current() const { return current_; }
    bool programEnabled() const { return programEnabled_; }
    // Tabs can be changed once the image was read from a radio or loaded from a file.
    bool tabsAllowed() const { return env_.session.flags.spacingTabsEnabled != 0; }
    bool busy() const;

    // The host's start: every page opens, the first tab is shown.
    void open();
    // Selecting another tab; false when the tabs are refused (no image read or loaded yet).
    bool selectTab(int tab);
    // "Program": the three pages' working texts into the image, then the writes.
    void program();
    // Closing: asks about values not programmed (Program runs the host's "Program" with typed
    // numbers taken as entered, Cancel keeps the dialog open and returns false), then sends PTT
    // off once if any page may have left the transmitter on.
    bool close(const CloseQuestion& ask);

  private:
    const AppEnv env_;
    const TabHostSpec& tables_;
    SharedTransmitter transmitter_;
    PageOperations operations_; // the pages' and the host's own, one at a time
    std::array<std::unique_ptr<SoftpotGroup>, TabHostSpec::kTabs> pages_;
    int current_ = 0;
    bool programEnabled_ = false;
};

} // namespace korvelo
