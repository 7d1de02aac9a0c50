#pragma once
// What makes one alignment page: its rows, band tables, value scale, keying frames and write
// region, written as data, plus the two hooks where pages send different things. The one
// SoftpotGroup engine runs every page from such a description.
#include "link/notifier.h"
#include "radio/band_model.h"
#include "radio/radio_state.h"
#include "radio/tuning_regions.h"
#include "softpot/engine/decimal_text.h"
#include "softpot/engine/tx_setup_block.h"

#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

namespace korvelo {

class SoftpotLink;

// Dialog control ids of one row, kept so the rows can be matched with their templates.
struct RowControlIds {
    int frequency = 0;
    int defaultSoftpot = 0;
    int scrollBar = 0;
    int workingSoftpot = 0;
    int spin = 0;
};

struct RowSpec {
    std::string_view group; // "High Power"; names the row for the user with the point
    int point = 1;          // frequency point 1..5: index into the band tables and labels
    RowControlIds ids;
    std::uint8_t imageByte = 0;   // TuningImage offset of the row's softpot
    int tag = 0;                  // tells rows apart that share a frequency
    std::uint8_t settingByte = 0; // TxSetupBlock byte 8 of the row setup
    int noImageValue = 32;        // scroll position (and image byte) when no image is loaded
    std::string_view initialText; // default and working texts before opening; empty: the page's
};

// A value per radio type; types without an entry give nothing (the bytes stay as they are).
template <class T> class BandTable {
  public:
    BandTable() = default;
    BandTable(std::initializer_list<std::pair<std::initializer_list<std::uint8_t>, T>> entries) {
        for (const auto& [types, value] : entries)
            for (std::uint8_t t : types)
                entries_.push_back({t, value});
    }
    const T* find(std::uint8_t radioType) const {
        for (const auto& e : entries_)
            if (e.first == radioType)
                return &e.second;
        return nullptr;
    }
    // Gives the types this value, in place of what they had (tables derived from another's).
    void set(std::initializer_list<std::uint8_t> types, const T& value) {
        for (std::uint8_t t : types) {
            bool found = false;
            for (auto& e : entries_)
                if (e.first == t) {
                    e.second = value;
                    found = true;
                }
            if (!found)
                entries_.push_back({t, value});
        }
    }

  private:
    std::vector<std::pair<std::uint8_t, T>> entries_;
};

// Receive settings of the five points of a band; an empty entry leaves bytes 1..3 alone.
using PointWords = std::array<std::optional<SettingWord>, 5>;

// Bytes of TxSetupBlock that a page presets (at opening, or when its tab is entered): the
// transmit setting (bytes 4..6) and the receive setting (bytes 1..3) of the band; types without
// an entry leave them. Byte 7 becomes 0x11 always, only when a setting was set, or never.
struct BlockPreset {
    enum class Raster { Always, WhenSet, Never };
    BandTable<SettingWord> transmit;
    BandTable<SettingWord> receive;
    Raster raster = Raster::Never;

    void apply(TxSetupBlock& block, std::uint8_t radioType) const {
        bool set = false;
        if (const SettingWord* w = transmit.find(radioType)) {
            block.setTransmit(*w);
            set = true;
        }
        if (const SettingWord* w = receive.find(radioType)) {
            block.setReceive(*w);
            set = true;
        }
        if (raster == Raster::Always || (raster == Raster::WhenSet && set))
            block.setRaster(TxSetupBlock::kBothOn6250);
    }
};

// One image byte a page writes when it opens without an image.
struct BytePreset {
    std::uint8_t offset;
    std::uint8_t value;
};

// How rows are told apart by the row check.
enum class RowIdentity { FrequencyAndTag, TagOnly, FrequencyOnly };

// When a commit goes to the radio as a live value rather than a row setup: while the page has
// keyed the transmitter with its button, or whenever the row is the one set up last (pages
// without a transmitter button, such as the receive pages).
enum class LiveRule { WhileKeyed, OnSameRow };

// What Enter does with a typed number outside the scale (above max, or off its step grid):
// take the nearest value in range, or refuse it and put the stored value back.
enum class EnterRule { Clamp, RefuseOffScale };

// When a committed value reaches the TuningImage: only at "Program", at Enter already, or at
// every commit (spin, end of scroll and Enter).
enum class ImageStore { OnProgram, OnEnter, OnCommit };

// Which setting of TxSetupBlock the row's frequency point gives: the transmit setting (bytes
// 4..7) or the receive setting (bytes 1..3 and 7, local oscillator 45.1 MHz off).
enum class SetupFrequency { Transmit, Receive };

struct KeyingSpec {
    bool hasButton = true; // pages without one never key the transmitter
    std::string_view idleCaption = "PTT Toggle";
    std::string_view onCaption = "PTT ON";
    std::string_view offCaption = "PTT OFF";
    std::string_view onFrame = "0202 81 8303";
    std::string_view offFrame = "0202 82 8403";
    int buttonPauseMs = 80;
    int buttonWaitMs = 2500;
    int setupOffPauseMs = 80;
    int setupOffWaitMs = 2300;
    int closeOffPauseMs = 80;
    int closeOffWaitMs = 2000;
    // A button press the radio does not answer shows "Radio Coummunication Error"; some pages
    // say nothing (the status line still tells an unconfirmed PTT off).
    bool buttonReportsNoReply = true;
    // Pause after a row setup's confirmed PTT off, before the set-up block; 0: none.
    int setupOffSettleMs = 0;
    // The PTT-on frame carries the page's code (command 0x48 with the selected tone or code)
    // in place of onFrame.
    bool onFrameCarriesCode = false;
};

// A list the user picks from for the rows of one group (a tone or code the transmitter sends
// while keyed); entry i has the code firstCode + i.
struct CodeChoice {
    std::string_view group; // the rows' RowSpec::group
    std::span<const std::string_view> entries;
    std::uint8_t firstCode = 1;
};

struct WriteRegionSpec {
    std::uint8_t offset = 0;
    std::uint8_t count = 0;
    int pauseMs = 120;
    int waitMs = 3000;
};

struct PageSpec {
    std::string_view title;
    int templateId = 0; // the page's dialog template
    std::vector<RowSpec> rows;
    ValueScale scale;
    std::string_view initialText = "32"; // default and working texts before the image is read
    std::string_view frequencyHeading = "Frequency Point(MHz)";
    LabelFamily labels = LabelFamily::TxPower;
    Type1 type1 = Type1::NoGroup;
    RowIdentity identity = RowIdentity::FrequencyAndTag;
    LiveRule live = LiveRule::WhileKeyed;
    EnterRule enter = EnterRule::Clamp;
    ImageStore store = ImageStore::OnProgram;

    // Opening. Without an image a page shows its no-image values (or, when it does not need an
    // image, fills its rows from whatever the image holds).
    bool openingNeedsImage = true;
    int openingPauseMs = 100; // 0: none
    BlockPreset openingPreset;
    // Points whose rows can be used, bit p-1 for point p; types without an entry use all.
    BandTable<std::uint8_t> usablePoints;
    // "PTT Toggle" enabled even without tuner mode (after the row enabling).
    bool pttAlwaysEnabled = false;
    // Image bytes set when the page opens without an image; none given: each row's own byte
    // takes its noImageValue.
    std::optional<std::vector<BytePreset>> noImageBytes;
    // Rows usable from the start, whatever the opening finds (no tuner mode, no image).
    bool rowsAlwaysEnabled = false;
    // With an image, "PTT Toggle" and "Program" are enabled whatever tuner mode says.
    bool buttonsWithoutTunerMode = false;
    // Asks the radio whether it has what the page aligns, at every opening; false (the user has
    // been told) leaves the rows with their initial texts.
    std::function<bool(SoftpotLink&)> openingCheck;
    // Width a spin step pads the working text to with leading blanks (" 7"); 0: none.
    int spinTextWidth = 0;

    // Row setup.
    SetupFrequency setupFrequency = SetupFrequency::Transmit;
    BandTable<PointWords> receiveSettings;    // bytes 1..3 by point
    BandTable<SettingWord> setupTransmitWord; // bytes 4..6 (receive pages)
    // Points whose setup sets byte 7 to 0x11 after the frequency encoding, bit p-1 for point p.
    std::uint8_t rasterResetPoints = 0;
    // A frequency on neither raster is reported with this text and icon and empties the row's
    // frequency edit; the power page says nothing.
    std::string_view invalidFrequencyText;
    Icon invalidFrequencyIcon = Icon::Exclamation;

    WriteRegionSpec region;
    // Further regions holding the page's rows (written by its host's "Program").
    std::vector<WriteRegionSpec> moreRegions;
    // Bytes of the region that no row edits and Program sends as the image holds them.
    std::vector<HeldBytes> sentAsHeld;
    // False on the pages of a tab host: the host's "Program" writes their values, so a failed
    // PTT off in a row setup locks only the page's "PTT Toggle".
    bool ownProgram = true;
    KeyingSpec keying;
    // The row groups' code lists; a row setup takes the code selected in its group's list.
    std::vector<CodeChoice> codeChoices;
    // End of scroll rewrites every row's working text from its bar, or only the sender's.
    bool endScrollSetsAllRows = true;

    // The live value of a row while the page has keyed the transmitter.
    std::function<void(SoftpotLink&, const Session&, const RowSpec&, int value)> sendLive;
    // What a row setup sends after the set-up block (the row's stored values).
    std::function<void(SoftpotLink&, const Session&, const RowSpec&)> sendStored;
};

} // namespace korvelo
