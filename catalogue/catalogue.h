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
    std::function<std::string(const TuningImage&)> value;
    // A softpot row: its group ("High Power") and frequency point (1..5), so that the rows of
    // a group can be drawn as a curve across the band; point 0 for every other value.
    std::string curve;
    int point = 0;
};

const std::vector<CatalogueEntry>& tuningCatalogue();

// Whether a value belongs to a radio with this audio processor (the other chip's pages read
// the same bytes as other things).
bool appliesTo(const CatalogueEntry& entry, bool isAk2347Radio);
// Whether the value's bits differ between two images.
bool differs(const CatalogueEntry& entry, const TuningImage& a, const TuningImage& b);
// The values of this radio's pages that cover an image byte: the ones that edit it first,
// then the pages that send it as held.
std::vector<const CatalogueEntry*> entriesAt(unsigned byte, bool isAk2347Radio);

// Every region a page that exists writes, each once, in the pages' order.
std::vector<Region> writtenRegions();

// The catalogue for a technician: per page a heading with what it writes, then one line per
// value ("  High Power, point 1: 40"), the pages of the other audio processor left out.
std::vector<std::string> describeSettings(const Session& session);

// The decoded difference of two images, for the radio of `a` (its audio processor, its band
// for the labels): per page a heading, then one line per value that differs
// ("  High Power, point 2: 40 -> 41"); bits no value of those pages covers follow under
// "Other bytes", one line per byte with the region it lies in ("  0xFF: 12 -> 13  (written by
// no page)"). Empty when the images are the same.
std::vector<std::string> describeDifferences(const Session& a, const TuningImage& b);

} // namespace korvelo
