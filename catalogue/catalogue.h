#pragma once
// One catalogue of the tuning area: every value a page or register dialog reads or writes,
// named, with its image bits, how the page shows it and the write that carries it. It is
// derived from the pages' own tables (the alignment pages' rows, the register pages'
// bindings and the bytes they send as held), so a page added to those tables appears in every
// listing built on it without a line of its own.
#include "chipsetup/core/register_binding.h"
#include "radio/radio_state.h"
#include "radio/tuning_regions.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace korvelo {

enum class ChipFamily { Any, Ak2347, Cmx148 };

// The radios a region's page is for.
ChipFamily chipOf(RegionOwner owner);

struct CatalogueEntry {
    std::string page; // the page's title
    ChipFamily chip = ChipFamily::Any;
    std::vector<ByteClaim> bytes;
    // The region write that carries the value; none when no write sends it (it is kept in the
    // image and saved with it).
    std::optional<Region> write;
    // Bytes a write carries that this page does not edit.
    bool held = false;
    // The name ("High Power, point 1 (136.00000 MHz)"; the band labels need the radio type) and
    // the value as the page shows it (a list entry by name, a scaled number, hex for held bytes).
    std::function<std::string(const Session&)> name;
    std::function<std::string(const Session&)> value;
};

const std::vector<CatalogueEntry>& tuningCatalogue();

// Every region a page that exists writes, each once, in the pages' order.
std::vector<Region> writtenRegions();

// The catalogue for a technician: per page a heading with what it writes, then one line per
// value ("  High Power, point 1: 40"), the pages of the other audio processor left out.
std::vector<std::string> describeSettings(const Session& session);

} // namespace korvelo
