#pragma once
// The alignments as data: for each, the dialog whose rows it aligns (a page, or a tab host with a
// page per channel spacing), what it measures, the limit each row is held to (by name, from the
// limits file) and the first guess of how the reading moves with the value.
#include "radio/radio_state.h"
#include "softpot/engine/page_spec.h"
#include "softpot/engine/tab_host.h"
#include "testset/align_loop.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace korvelo::testset {

struct Procedure {
    std::string_view name; // as --procedures names it
    Quantity quantity = Quantity::Power;
    // The page for this radio, or its tab host; the other is null. Null both: the radio has
    // nothing to align here (sub-audio on an AK2347 radio).
    const PageSpec* (*page)(const Session&) = nullptr;
    const TabHostSpec* (*host)(const Session&) = nullptr;
    // The limit of a row: base, then the row group's word, then the spacing.
    std::string_view limitBase;
    bool byGroup = false; // power.high / squelch.normal...
    bool bySpacing = false;
    // Reading per softpot step, by limit name; the first entry is the default.
    std::vector<std::pair<std::string_view, double>> slopes;

    std::string limitName(int tab, const RowSpec& row) const;
    double slopeFor(std::string_view limit) const;
};

std::span<const Procedure> procedures();
// What the record calls a quantity: "Power", "Deviation", "Squelch opening".
const char* quantityName(Quantity q);
// A row as the record names it, Auto Align's readings and the typed ones alike: "High Power,
// point 1 (136.00000 MHz)", on a tab host's page with its spacing first ("20KHz, point 1"
// stays as it is: its group says the spacing already).
std::string readingName(const PageSpec& page, const RowSpec& row, std::uint8_t radioType,
                        std::string_view tabName);
const Procedure* procedureByName(std::string_view name);
// "power,deviation,squelch" -> the procedures in that order; nothing with the bad name in why.
std::optional<std::vector<const Procedure*>> parseProcedureList(std::string_view list,
                                                                std::string& why);

} // namespace korvelo::testset
