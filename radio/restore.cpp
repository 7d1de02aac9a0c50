#include "radio/restore.h"

#include "radio/block_read.h"
#include "radio/image_record.h"
#include "radio/write_check.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace korvelo {

namespace {

std::vector<bool> differing(const TuningImage& a, const TuningImage& b) {
    std::vector<bool> d(TuningImage::kSize);
    for (std::size_t i = 0; i < TuningImage::kSize; ++i)
        d[i] = a[i] != b[i];
    return d;
}

bool inside(const Region& inner, const Region& outer) {
    return inner.offset >= outer.offset && inner.end() <= outer.end() &&
           !(inner.offset == outer.offset && inner.count == outer.count);
}

const char* chipName(bool isAk2347Radio) {
    return isAk2347Radio ? "AK2347" : "CMX148";
}

constexpr char kReadFailText[] = "Read Radio Fail !! Please try again.";

std::optional<TuningImage> readAreaOn(RadioLink& link, bool is256BlockMemory,
                                      std::string* why = nullptr) {
    const auto area =
        readMemory(link, static_cast<std::uint16_t>(tuningBase(is256BlockMemory) << 8),
                   TuningImage::kSize, "tuning area", 3, why);
    if (!area)
        return std::nullopt;
    TuningImage image;
    std::copy(area->begin(), area->end(), image.bytes().begin());
    return image;
}

} // namespace

std::vector<Region> regionsToRestore(const TuningImage& radio, const TuningImage& backup) {
    const auto d = differing(radio, backup);
    std::vector<Region> chosen;
    for (unsigned i = 0; i < TuningImage::kSize; ++i) {
        if (!d[i])
            continue;
        const Region* smallest = nullptr;
        for (const Region& r : kRegions)
            if (r.contains(i) && (!smallest || r.count < smallest->count))
                smallest = &r;
        if (!smallest)
            continue;
        const bool have = std::any_of(chosen.begin(), chosen.end(), [&](const Region& c) {
            return c.offset == smallest->offset && c.count == smallest->count;
        });
        if (!have)
            chosen.push_back(*smallest);
    }
    std::erase_if(chosen, [&](const Region& r) {
        return std::any_of(chosen.begin(), chosen.end(),
                           [&](const Region& o) { return inside(r, o); });
    });
    std::sort(chosen.begin(), chosen.end(),
              [](const Region& a, const Region& b) { return a.offset < b.offset; });
    return chosen;
}

std::vector<unsigned> unwritableDifferences(const TuningImage& radio, const TuningImage& backup) {
    const auto d = differing(radio, backup);
    std::vector<unsigned> out;
    for (unsigned i = 0; i < TuningImage::kSize; ++i)
        if (d[i] && std::none_of(kRegions.begin(), kRegions.end(),
                                 [i](const Region& r) { return r.contains(i); }))
            out.push_back(i);
    return out;
}

std::optional<TuningImage> readRadioArea(const AppEnv& env) {
    std::optional<TuningImage> area;
    std::string why;
    {
        RadioLink link(env.linkEnv());
        link.OpenPort();
        if (!link.isOpen())
            return std::nullopt; // told already
        area = readAreaOn(link, env.session.flags.is256BlockMemory, &why);
    }
    if (!area)
        env.notifier.notify(kReadFailText + ("\n" + why), Icon::Exclamation);
    return area;
}

RestoreResult RestoreBackup(const AppEnv& env, const TuningRecord& backup) {
    Session& s = env.session;
    RestoreResult result;
    if (!s.flags.inTunerMode) {
        env.notifier.notify("Restore needs the radio in tuner mode: run Tuning Init first.",
                            Icon::Exclamation);
        result.outcome = RestoreOutcome::NotInTunerMode;
        return result;
    }
    if (backup.isAk2347Radio != s.flags.isAk2347Radio) {
        env.notifier.notify(std::string("The backup is of a radio with the ") +
                                chipName(backup.isAk2347Radio) +
                                " audio processor; the radio in tuner mode has the " +
                                chipName(s.flags.isAk2347Radio) + ". Nothing was written.",
                            Icon::Exclamation);
        result.outcome = RestoreOutcome::OtherChip;
        return result;
    }
    const bool is256 = s.flags.is256BlockMemory;
    std::string failure;
    std::string readWhy;
    std::string unacknowledged; // writes the radio took without acknowledging them
    TuningImage now;
    {
        RadioLink link(env.linkEnv());
        link.OpenPort();
        if (!link.isOpen()) {
            result.outcome = RestoreOutcome::NoPort;
            return result;
        }
        const auto area = readAreaOn(link, is256, &readWhy);
        if (!area) {
            result.outcome = RestoreOutcome::ReadFailed;
        } else {
            now = *area;
            result.notRestorable = unwritableDifferences(now, backup.image);
            const auto regions = regionsToRestore(now, backup.image);
            result.outcome =
                regions.empty() ? RestoreOutcome::NothingToDo : RestoreOutcome::Restored;
            for (const Region& r : regions) {
                link.waitingFor("restore of " + std::string(ownerName(r.owner)));
                const RegionWriteResult w = programRegionFrom(
                    link, s, backup.image, r, kRestoreWritePauseMs, kRestoreWriteWaitMs);
                // Unacknowledged, but read back equal: the radio holds the backup's bytes.
                if (w.outcome != WriteOutcome::Confirmed && w.held == WriteHeld::Taken)
                    unacknowledged += "\n" + w.message;
                else if (w.outcome != WriteOutcome::Confirmed) {
                    failure = w.message.empty()
                                  ? "The radio did not take the write of " +
                                        writtenRangeName(is256, r.offset, r.count) + "."
                                  : w.message;
                    result.outcome = RestoreOutcome::WriteFailed;
                    break;
                }
                const auto bytes = backup.image.bytes().subspan(r.offset, r.count);
                std::copy(bytes.begin(), bytes.end(), now.bytes().begin() + r.offset);
                result.written.push_back(r);
            }
        }
    } // the port is closed before any message box

    // The image follows what the radio now holds in what was written and read back.
    for (const Region& r : result.written)
        std::copy_n(now.bytes().begin() + r.offset, r.count, s.image.bytes().begin() + r.offset);

    std::string note;
    if (!result.notRestorable.empty())
        note = "\n" + std::to_string(result.notRestorable.size()) +
               " differing bytes lie outside every region a page writes and were left as the "
               "radio holds them.";
    switch (result.outcome) {
    case RestoreOutcome::ReadFailed:
        env.notifier.notify(std::string(kReadFailText) + "\n" + readWhy +
                                "\nThe radio's tuning area could not be read, so nothing was "
                                "restored.",
                            Icon::Exclamation);
        break;
    case RestoreOutcome::WriteFailed:
        env.notifier.notify(failure + "\n" + std::to_string(result.written.size()) +
                                (result.written.size() == 1 ? " region was" : " regions were") +
                                " restored before it." + unacknowledged,
                            Icon::Exclamation);
        break;
    case RestoreOutcome::NothingToDo:
        env.notifier.notify("The radio already holds the backup's values; nothing was written." +
                                note,
                            Icon::Information);
        break;
    case RestoreOutcome::Restored:
        env.notifier.notify(
            "The backup has been restored: " + std::to_string(result.written.size()) +
                (result.written.size() == 1 ? " region" : " regions") + " written and read back." +
                unacknowledged + note,
            Icon::Information);
        break;
    default:
        break;
    }
    return result;
}

} // namespace korvelo
