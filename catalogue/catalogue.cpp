#include "catalogue/catalogue.h"

#include "chipsetup/register_pages.h"
#include "softpot/softpot_pages.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace korvelo {

namespace {

std::string hex2(unsigned v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02X", v & 0xFFu);
    return buf;
}

std::string rangeText(unsigned first, unsigned count) {
    if (count == 1)
        return "0x" + hex2(first);
    return "0x" + hex2(first) + "..0x" + hex2(first + count - 1);
}

std::optional<Region> knownRegion(unsigned offset, unsigned count) {
    for (const Region& r : kRegions)
        if (r.offset == offset && r.count == count)
            return r;
    return std::nullopt;
}

std::optional<Region> carrying(std::span<const Region> writes, unsigned byte) {
    for (const Region& r : writes)
        if (r.contains(byte))
            return r;
    return std::nullopt;
}

CatalogueEntry heldEntry(std::string page, ChipFamily chip, std::span<const Region> writes,
                         const HeldBytes& h) {
    CatalogueEntry e;
    e.page = std::move(page);
    e.chip = chip;
    for (unsigned k = 0; k < h.count; ++k)
        e.bytes.push_back({static_cast<std::uint8_t>(h.offset + k), 0xFF});
    e.write = carrying(writes, h.offset);
    e.held = true;
    const std::string name =
        rangeText(h.offset, h.count) + " sent as held (" + std::string(h.what) + ")";
    e.name = [name](const Session&) { return name; };
    e.value = [h](const TuningImage& image) {
        std::string text;
        for (unsigned k = 0; k < h.count; ++k)
            text += (k ? " 0x" : "0x") + hex2(image[h.offset + k]); // beside decimal values
        return text;
    };
    return e;
}

void addSoftpotPage(std::vector<CatalogueEntry>& out, const PageSpec& page) {
    const std::optional<Region> write = knownRegion(page.region.offset, page.region.count);
    const ChipFamily chip = write ? chipOf(write->owner) : ChipFamily::Any;
    std::vector<Region> rowWrites;
    if (write)
        rowWrites.push_back(*write);
    for (const WriteRegionSpec& w : page.moreRegions)
        if (const auto r = knownRegion(w.offset, w.count))
            rowWrites.push_back(*r);
    for (const RowSpec& row : page.rows) {
        CatalogueEntry e;
        e.page = std::string(page.title);
        e.chip = chip;
        e.bytes = {{row.imageByte, 0xFF}};
        e.write = carrying(rowWrites, row.imageByte);
        e.name = [&page, &row](const Session& s) { return rowName(page, row, s.radioType); };
        e.value = [&page, &row](const TuningImage& image) {
            return page.scale.format(image[row.imageByte]);
        };
        e.curve = std::string(row.group);
        e.point = row.point;
        out.push_back(std::move(e));
    }
    std::vector<Region> writes;
    if (write)
        writes.push_back(*write);
    for (const HeldBytes& h : page.sentAsHeld)
        out.push_back(heldEntry(std::string(page.title), chip, writes, h));
}

// The point mask a host's "Program" reads (and may write back as it is).
void addTabHostMask(std::vector<CatalogueEntry>& out, const TabHostSpec& host) {
    if (!host.pointMask)
        return;
    const std::uint8_t byte = *host.pointMask;
    std::vector<Region> writes;
    for (const WriteRegionSpec& w : host.writes)
        if (const auto r = knownRegion(w.offset, w.count))
            writes.push_back(*r);
    const std::optional<Region> pageWrite =
        knownRegion(host.pages[0]->region.offset, host.pages[0]->region.count);
    CatalogueEntry e;
    e.page = std::string(host.title);
    e.chip = pageWrite ? chipOf(pageWrite->owner) : ChipFamily::Any;
    e.bytes = {{byte, 0x0F}};
    e.write = carrying(writes, byte);
    e.name = [](const Session&) { return std::string("Frequency-point mask"); };
    e.value = [byte](const TuningImage& image) {
        const unsigned mask = image[byte];
        std::string text = "0x" + hex2(mask) + " (points";
        for (int p = 1; p <= 4; ++p)
            if ((mask >> (p - 1) & 1u) != 0)
                text += " " + std::to_string(p) + ",";
        return text + " 5 have their own values)";
    };
    out.push_back(std::move(e));
}

void addRegisterPage(std::vector<CatalogueEntry>& out, const RegisterPageSpec& page) {
    const ChipFamily chip = page.writes.empty() ? ChipFamily::Any : chipOf(page.writes[0].owner);
    for (const Binding& b : page.bindings) {
        const std::vector<ByteClaim> bytes = claims(b);
        if (bytes.empty())
            continue;
        CatalogueEntry e;
        e.page = std::string(page.title);
        e.chip = chip;
        e.bytes = bytes;
        e.write = carrying(page.writes, bytes.front().byte);
        const std::string label =
            bindingLabel(page.groups.at(static_cast<std::size_t>(b.group)).caption, b);
        e.name = [label](const Session&) { return label; };
        e.value = [&b](const TuningImage& image) { return describeField(image, b); };
        out.push_back(std::move(e));
    }
    for (const HeldBytes& h : page.sentAsHeld)
        out.push_back(heldEntry(std::string(page.title), chip, page.writes, h));
}

std::vector<CatalogueEntry> build() {
    std::vector<CatalogueEntry> entries;
    for (const PageSpec* page : softpotPages())
        addSoftpotPage(entries, *page);
    for (const TabHostSpec* host : softpotTabHosts())
        addTabHostMask(entries, *host);
    for (const RegisterPageSpec* page : registerPages())
        addRegisterPage(entries, *page);
    return entries;
}

bool applies(ChipFamily chip, bool isAk2347Radio) {
    return chip == ChipFamily::Any || (chip == ChipFamily::Ak2347) == isAk2347Radio;
}

// The region a byte lies in, named as the listings name it.
std::string regionOf(unsigned byte) {
    std::string owners;
    for (const Region& r : kRegions)
        if (r.contains(byte))
            owners += (owners.empty() ? "" : ", ") + std::string(ownerName(r.owner));
    return owners.empty() ? "written by no page" : owners;
}

} // namespace

ChipFamily chipOf(RegionOwner owner) {
    switch (owner) {
    case RegionOwner::TxModulationAk:
    case RegionOwner::ZelSignalling:
    case RegionOwner::TxMode:
        return ChipFamily::Ak2347;
    case RegionOwner::CmxTxSetup:
    case RegionOwner::TxModulationCmx:
    case RegionOwner::TxSubAudio:
    case RegionOwner::CmxRxSetup:
        return ChipFamily::Cmx148;
    case RegionOwner::TxPower:
    case RegionOwner::RxSquelch:
    case RegionOwner::SquelchPointMask:
        break;
    }
    return ChipFamily::Any;
}

const std::vector<CatalogueEntry>& tuningCatalogue() {
    static const std::vector<CatalogueEntry> entries = build();
    return entries;
}

std::vector<Region> writtenRegions() {
    std::vector<Region> regions;
    auto add = [&regions](const Region& r) {
        const bool known = std::any_of(regions.begin(), regions.end(), [&r](const Region& x) {
            return x.offset == r.offset && x.count == r.count;
        });
        if (!known)
            regions.push_back(r);
    };
    for (const PageSpec* page : softpotPages())
        if (const auto r = knownRegion(page->region.offset, page->region.count))
            add(*r);
    for (const TabHostSpec* host : softpotTabHosts())
        for (const WriteRegionSpec& w : host->writes)
            if (const auto r = knownRegion(w.offset, w.count))
                add(*r);
    for (const RegisterPageSpec* page : registerPages())
        for (const Region& r : page->writes)
            add(r);
    return regions;
}

bool appliesTo(const CatalogueEntry& entry, bool isAk2347Radio) {
    return applies(entry.chip, isAk2347Radio);
}

bool differs(const CatalogueEntry& entry, const TuningImage& a, const TuningImage& b) {
    for (const ByteClaim& c : entry.bytes)
        if (((a[c.byte] ^ b[c.byte]) & c.mask) != 0)
            return true;
    return false;
}

std::vector<const CatalogueEntry*> entriesAt(unsigned byte, bool isAk2347Radio) {
    std::vector<const CatalogueEntry*> edit, held;
    for (const CatalogueEntry& e : tuningCatalogue()) {
        if (!appliesTo(e, isAk2347Radio))
            continue;
        for (const ByteClaim& c : e.bytes) {
            if (c.byte == byte) {
                (e.held ? held : edit).push_back(&e);
                break;
            }
        }
    }
    edit.insert(edit.end(), held.begin(), held.end());
    return edit;
}

std::vector<std::string> describeDifferences(const Session& a, const TuningImage& b) {
    std::array<std::uint8_t, TuningImage::kSize> open{}; // differing bits no line has named
    for (unsigned i = 0; i < TuningImage::kSize; ++i)
        open[i] = a.image[i] ^ b[i];
    const std::vector<CatalogueEntry>& entries = tuningCatalogue();
    std::vector<bool> listed(entries.size(), false);
    // Values the pages edit first; bytes a page only sends as held are named by it when no
    // value took them.
    for (const bool held : {false, true}) {
        for (std::size_t k = 0; k < entries.size(); ++k) {
            const CatalogueEntry& e = entries[k];
            if (e.held != held || !appliesTo(e, a.flags.isAk2347Radio))
                continue;
            for (const ByteClaim& c : e.bytes)
                listed[k] = listed[k] || (open[c.byte] & (held ? 0xFF : c.mask)) != 0;
            if (listed[k])
                for (const ByteClaim& c : e.bytes)
                    open[c.byte] &= static_cast<std::uint8_t>(held ? 0 : ~c.mask);
        }
    }
    std::vector<std::string> lines;
    const std::string* heading = nullptr; // a page's entries stand together
    for (std::size_t k = 0; k < entries.size(); ++k) {
        if (!listed[k])
            continue;
        const CatalogueEntry& e = entries[k];
        if (!heading || *heading != e.page)
            lines.push_back(e.page);
        heading = &e.page;
        lines.push_back("  " + e.name(a) + ": " + e.value(a.image) + " -> " + e.value(b));
    }
    bool other = false;
    for (unsigned i = 0; i < TuningImage::kSize; ++i) {
        if (open[i] == 0)
            continue;
        if (!other)
            lines.push_back("Other bytes");
        other = true;
        lines.push_back("  0x" + hex2(i) + ": " + hex2(a.image[i]) + " -> " + hex2(b[i]) + "  (" +
                        regionOf(i) + ")");
    }
    return lines;
}

std::vector<std::string> describeSettings(const Session& session) {
    std::vector<std::string> lines;
    const std::vector<CatalogueEntry>& entries = tuningCatalogue();
    for (std::size_t i = 0; i < entries.size();) {
        std::size_t end = i;
        while (end < entries.size() && entries[end].page == entries[i].page)
            ++end;
        if (applies(entries[i].chip, session.flags.isAk2347Radio)) {
            std::vector<std::string> writes;
            for (std::size_t k = i; k < end; ++k) {
                if (!entries[k].write)
                    continue;
                const std::string w = rangeText(entries[k].write->offset, entries[k].write->count);
                if (std::find(writes.begin(), writes.end(), w) == writes.end())
                    writes.push_back(w);
            }
            std::string heading = entries[i].page;
            for (std::size_t k = 0; k < writes.size(); ++k)
                heading += (k ? ", " : " (writes ") + writes[k];
            lines.push_back(writes.empty() ? heading : heading + ")");
            for (std::size_t k = i; k < end; ++k) {
                const CatalogueEntry& e = entries[k];
                std::string line = "  " + e.name(session) + ": " + e.value(session.image);
                if (!e.write)
                    line += "  (kept in the image; no write sends it)";
                lines.push_back(std::move(line));
            }
        }
        i = end;
    }
    return lines;
}

} // namespace korvelo
