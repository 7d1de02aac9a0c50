#pragma once
// What makes one alignment page: its rows, band tables, value scale, keying frames and write
// region, written as data, plus the two hooks where pages send different things. The one
// SoftpotGroup engine runs every page from such a description.
#include "radio/band_model.h"
#include "radio/radio_state.h"
#include "radio/tuning_regions.h"
#include "softpot/engine/decimal_text.h"
#include "softpot/engine/tx_setup_block.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
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
    int noImageValue = 32;        // scroll position and image byte when no image is loaded
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

  private:
    std::vector<std::pair<std::uint8_t, T>> entries_;
};

// Receive settings of the five points of a band; an empty entry leaves bytes 1..3 alone.
using PointWords = std::array<std::optional<SettingWord>, 5>;

// How rows are told apart by the row check.
enum class RowIdentity { FrequencyAndTag, TagOnly, FrequencyOnly };

struct KeyingSpec {
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
};

struct WriteRegionSpec {
    std::uint8_t offset = 0;
    std::uint8_t count = 0;
    int pauseMs = 120;
    int waitMs = 3000;
};

struct PageSpec {
    std::string_view title;
    std::vector<RowSpec> rows;
    ValueScale scale;
    std::string_view initialText = "32"; // default and working texts before the image is read
    LabelFamily labels = LabelFamily::TxPower;
    Type1 type1 = Type1::NoGroup;
    RowIdentity identity = RowIdentity::FrequencyAndTag;

    BandTable<PointWords> receiveSettings; // row setup: TxSetupBlock bytes 1..3
    BandTable<SettingWord> openingPreset;  // opening: bytes 4..6 (byte 7 always 0x11)
    // Points whose rows can be used, bit p-1 for point p; types without an entry use all.
    BandTable<std::uint8_t> usablePoints;
    WriteRegionSpec region;
    // Bytes of the region that no row edits and Program sends as the image holds them.
    std::vector<HeldBytes> sentAsHeld;
    KeyingSpec keying;
    int openingPauseMs = 100;
    // Pages whose points the user can type report a frequency on neither raster with this
    // text and empty the row's frequency edit; the power page says nothing.
    std::string_view invalidFrequencyText;
    // End of scroll rewrites every row's working text from its bar, or only the sender's.
    bool endScrollSetsAllRows = true;

    // The live value of a row while the page has keyed the transmitter.
    std::function<void(SoftpotLink&, const Session&, const RowSpec&, int value)> sendLive;
    // What a row setup sends after the set-up block (the row's stored values).
    std::function<void(SoftpotLink&, const Session&, const RowSpec&)> sendStored;
};

} // namespace korvelo
