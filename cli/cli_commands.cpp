#include "cli/cli_commands.h"

#include "catalogue/catalogue.h"
#include "radio/backup.h"
#include "radio/band_model.h"
#include "radio/radio_utilities.h"
#include "radio/restore.h"
#include "radio/tuning_file.h"
#include "radio/tuning_regions.h"
#include "radio/tuning_start.h"
#include "radio/write_check.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <vector>

namespace korvelo::cli {

namespace {

std::string hex2(unsigned v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02X", v & 0xFFu);
    return buf;
}

std::string range(unsigned first, unsigned end) {
    return "0x" + hex2(first) + "..0x" + hex2(end - 1);
}

const char* chipName(bool isAk2347Radio) {
    return isAk2347Radio ? "AK2347" : "CMX148";
}

// The stretches of the image that no page writes, as regions of their own for the listings.
struct Span {
    unsigned first, end;
    std::string owner;
};

std::vector<Span> layout() {
    std::vector<Span> spans;
    for (const Region& r : kRegions)
        spans.push_back({r.offset, r.end(), std::string(ownerName(r.owner))});
    std::vector<bool> owned(TuningImage::kSize, false);
    for (const Region& r : kRegions)
        for (unsigned i = r.offset; i < r.end(); ++i)
            owned[i] = true;
    for (unsigned i = 0; i < TuningImage::kSize;) {
        if (owned[i]) {
            ++i;
            continue;
        }
        unsigned j = i;
        while (j < TuningImage::kSize && !owned[j])
            ++j;
        spans.push_back({i, j, "written by no page"});
        i = j;
    }
    std::sort(spans.begin(), spans.end(), [](const Span& x, const Span& y) {
        return x.first != y.first ? x.first < y.first : x.end < y.end;
    });
    return spans;
}

bool load(const std::string& path, Session& session, Notifier& notifier) {
    return OpenTuningFile(session, path, notifier);
}

} // namespace

// Where the backup of the read went, after a completed Tuning Init.
void sayBackup(const Session& s, std::ostream& out) {
    if (!s.guard.takesBackups())
        out << "Backup: none (backups are turned off)\n";
    else if (s.guardRecord.backupFailure.empty() || !s.guardRecord.backup.empty())
        out << "Backup: " << displayPath(s.guardRecord.backup) << '\n';
    else
        out << "Backup: none (" << s.guardRecord.backupFailure << ")\n";
}

namespace {
// "The radio answered" or why not; false when it did not answer within 1,000 ms.
bool leaveAndSay(const AppEnv& env, std::ostream& out) {
    const bool answered = LeaveTunerMode(env);
    if (answered)
        out << "The radio answered the leave-tuner-mode command.\n";
    else if (!env.session.flags.portFault)
        env.notifier.notify(
            "The radio did not answer the leave-tuner-mode command within 1,000 ms.",
            Icon::Exclamation);
    return answered;
}

// The radio stays in tuner mode as after Tuning Init in the program, unless --leave.
int afterRead(const AppEnv& env, bool leave, int status, std::ostream& out) {
    if (!leave) {
        out << "The radio stays in tuner mode (korvelo-cli leave, or Reset, takes it out).\n";
        return status;
    }
    return leaveAndSay(env, out) ? status : kExitRadio;
}

// A tuning file's record; the reason told on failure.
std::optional<TuningRecord> loadRecord(const std::string& path, Notifier& notifier) {
    Session s;
    if (!OpenTuningFile(s, path, notifier))
        return std::nullopt;
    return TuningRecord{s.flags.isAk2347Radio, s.image};
}
} // namespace

int readCommand(const AppEnv& env, const std::string& path, bool force, bool leave,
                std::ostream& progress, std::ostream& out) {
    std::error_code ec;
    if (!force && std::filesystem::exists(path, ec)) {
        env.notifier.notify(path + " exists; use --force to overwrite it", Icon::Exclamation);
        return kExitFile;
    }
    TuningFileWriter writer;
    if (!writer.prepare(path, env.notifier))
        return kExitFile;
    const bool read = TuningInit(env, [&](int block, int blocks) {
        if (block > 0)
            progress << "read block " << block << " of " << blocks << '\n' << std::flush;
    });
    if (!read)
        return kExitRadio;
    identifyForRecord(env);
    const Session& s = env.session;
    if (!writer.commit({s.flags.isAk2347Radio, s.image}, env.notifier))
        return kExitFile;
    out << "Memory: "
        << (s.flags.is256BlockMemory ? "256 blocks, tuning area at 0x3F00"
                                     : "128 blocks, tuning area at 0x1F00")
        << '\n';
    out << "Audio processor: " << chipName(s.flags.isAk2347Radio) << '\n';
    const std::string_view range = bandRange(bandGroup(s.radioType, Type1::AsV2));
    out << "Band: radio type " << unsigned{s.radioType} << ", "
        << (range.empty() ? std::string_view("no band known for this type") : range) << '\n';
    out << "Saved " << path << '\n';
    sayBackup(s, out);
    return afterRead(env, leave, kExitOk, out);
}

int backupsCommand(const std::filesystem::path& folder, const std::optional<std::string>& serial,
                   std::ostream& out) {
    const auto entries = listBackups(folder, serial);
    if (entries.empty()) {
        out << "No backups" << (serial ? " of " + *serial : std::string()) << " in "
            << displayPath(folder) << '\n';
        return kExitOk;
    }
    for (const BackupEntry& e : entries) {
        const BackupFacts& f = e.facts;
        const std::string_view band = bandRange(bandGroup(f.bandType, Type1::AsV2));
        out << readableStamp(f.time) << "  "
            << (f.serial.empty() ? std::string("unknown") : printable(f.serial)) << "  type "
            << unsigned{f.bandType} << (band.empty() ? "" : " (" + std::string(band) + ")") << "  "
            << (e.hasSidecar ? std::string(f.is256BlockMemory ? "256 blocks" : "128 blocks") +
                                   "  " + chipName(f.isAk2347Radio)
                             : std::string("memory size and chip not recorded"))
            << "  " << displayPath(e.path) << '\n';
    }
    return kExitOk;
}

int verifyCommand(const AppEnv& env, const std::string& path, bool leave, std::ostream& out) {
    const auto file = loadRecord(path, env.notifier);
    if (!file)
        return kExitFile;
    TuningInit(env);
    const Session& s = env.session;
    if (!s.flags.imageLoaded)
        return kExitNoRadio;
    sayBackup(s, out);
    bool same = true;
    if (file->isAk2347Radio != s.flags.isAk2347Radio) {
        out << "Audio processor: file " << chipName(file->isAk2347Radio) << ", radio "
            << chipName(s.flags.isAk2347Radio) << '\n';
        same = false;
    }
    const unsigned base = unsigned{tuningBase(s.flags.is256BlockMemory)} << 8;
    for (unsigned i = 0; i < TuningImage::kSize; ++i) {
        if (file->image[i] == s.image[i])
            continue;
        char line[64];
        std::snprintf(line, sizeof line, "0x%04X: file %u, radio %u", base + i,
                      unsigned{file->image[i]}, unsigned{s.image[i]});
        out << line << '\n';
        same = false;
    }
    out << (same ? "The radio holds the file's tuning area.\n"
                 : "The radio holds another tuning area than the file.\n");
    return afterRead(env, leave, same ? kExitOk : kExitDiffers, out);
}

int restoreCommand(const AppEnv& env, const std::string& path, bool force, bool leave,
                   std::ostream& out) {
    const auto backup = loadRecord(path, env.notifier);
    if (!backup)
        return kExitFile;
    const auto entry = backupEntry(path);
    const std::string backupSerial = entry ? entry->facts.serial : std::string();
    TuningInit(env); // the backup of what the radio holds now comes first
    Session& s = env.session;
    if (!s.flags.imageLoaded)
        return kExitNoRadio;
    sayBackup(s, out);
    if (!s.guardRecord.serialNumber) {
        // Backups off: Tuning Init did not ask for it.
        if (const auto serial = ReadSerialNumber(env); serial && *serial != kReadFail)
            s.guardRecord.serialNumber = serial;
    }
    const std::string radioSerial = s.guardRecord.serialNumber.value_or("");
    std::string refusal;
    if (backupSerial.empty())
        refusal = "The file does not say which radio it was taken from.";
    else if (radioSerial.empty())
        refusal = "The radio did not tell its serial number.";
    else if (backupSerial != radioSerial) // exactly: "AB-12/345" is not "AB-12345"
        refusal = "The backup is of radio " + printable(backupSerial) + ", but the radio is " +
                  printable(radioSerial) + ".";
    if (!refusal.empty()) {
        if (!force) {
            env.notifier.notify(refusal + " Nothing was written; --force restores it anyway.",
                                Icon::Exclamation);
            return afterRead(env, leave, kExitRadio, out);
        }
        env.notifier.notify(refusal + " Restoring it as --force asks.", Icon::Warning);
    }
    const RestoreResult r = RestoreBackup(env, *backup);
    for (const Region& region : r.written)
        out << "Restored "
            << writtenRangeName(s.flags.is256BlockMemory, region.offset, region.count) << '\n';
    const bool ok =
        r.outcome == RestoreOutcome::Restored || r.outcome == RestoreOutcome::NothingToDo;
    return afterRead(env, leave, ok ? kExitOk : kExitRadio, out);
}

int infoCommand(const AppEnv& env, std::ostream& out) {
    bool allRead = true;
    auto read = [&](Cmd command, std::size_t bytes) -> std::optional<InfoRead> {
        InfoRead r = readRadioInfo(env, command, bytes);
        allRead = allRead && r.outcome == InfoOutcome::Ok;
        if (r.outcome == InfoOutcome::BadReply) // stdout says "Read Fail !"; here is why
            env.notifier.notify(r.why, Icon::Exclamation);
        // A radio that does not answer (or a port that does not open) is told once.
        if (r.outcome == InfoOutcome::NoAnswer || r.outcome == InfoOutcome::PortFailed)
            return std::nullopt;
        return r;
    };

    const auto fw = read(Cmd::FwVersion, 5);
    if (!fw)
        return kExitRadio;
    out << "FW Version: "
        << (fw->outcome == InfoOutcome::Ok ? printable(formatFwVersion(fw->data))
                                           : std::string(kReadFail))
        << '\n';
    const auto serial = read(Cmd::SerialNumber, 10);
    if (!serial)
        return kExitRadio;
    out << "Serial Number: "
        << (serial->outcome == InfoOutcome::Ok ? printable(formatSerialNumber(serial->data))
                                               : std::string(kReadFail))
        << '\n';
    const auto country = read(Cmd::CountryCode, 1);
    if (!country)
        return kExitRadio;
    out << "Country Code:";
    if (country->outcome == InfoOutcome::Ok && !country->data.empty()) {
        const int index = countryIndex(country->data[0]);
        if (index >= 0)
            out << " \"" << kCountryEntries[index] << '"';
        out << " (code " << unsigned{country->data[0]} << ')';
    } else {
        out << " \"" << kCountryEntries[0] << "\" (" << kReadFail << ')';
    }
    out << '\n';
    return allRead ? kExitOk : kExitRadio;
}

int resetCommand(const AppEnv& env) {
    return ResetRadio(env) ? kExitOk : kExitRadio;
}

int leaveCommand(const AppEnv& env, std::ostream& out) {
    env.session.flags.inTunerMode = true;
    return leaveAndSay(env, out) ? kExitOk : kExitRadio;
}

int dumpCommand(const std::string& path, std::optional<std::uint8_t> radioType, Notifier& notifier,
                std::ostream& out) {
    Session s;
    if (!load(path, s, notifier))
        return kExitFile;
    out << "Radio: " << chipName(s.flags.isAk2347Radio) << '\n';
    // Without a band type no frequency point is labelled (types above 12 have no band).
    constexpr std::uint8_t kNoBand = 255;
    s.radioType = radioType.value_or(kNoBand);
    out << "Band: "
        << (radioType ? "radio type " + std::to_string(*radioType)
                      : std::string("not recorded in the file (--type N labels the points)"))
        << '\n';
    for (const Span& span : layout()) {
        out << range(span.first, span.end) << "  " << span.owner << '\n';
        for (unsigned row = span.first; row < span.end; row += 16) {
            out << "  " << hex2(row) << ':';
            for (unsigned i = row; i < std::min(row + 16, span.end); ++i)
                out << ' ' << hex2(s.image[i]);
            out << '\n';
        }
    }
    for (const std::string& line : describeSettings(s))
        out << line << '\n';
    return kExitOk;
}

int diffCommand(const std::string& a, const std::string& b, std::optional<std::uint8_t> radioType,
                Notifier& notifier, std::ostream& out) {
    Session sa, sb;
    if (!load(a, sa, notifier) || !load(b, sb, notifier))
        return kExitFile;
    constexpr std::uint8_t kNoBand = 255; // no labels, as dump without --type
    sa.radioType = radioType.value_or(kNoBand);
    bool same = true;
    if (sa.flags.isAk2347Radio != sb.flags.isAk2347Radio) {
        out << "Radio: " << chipName(sa.flags.isAk2347Radio) << " -> "
            << chipName(sb.flags.isAk2347Radio) << '\n';
        same = false;
    }
    for (const std::string& line : describeDifferences(sa, sb.image)) {
        out << line << '\n';
        same = false;
    }
    if (same)
        out << "No differences.\n";
    return same ? kExitOk : kExitDiffers;
}

std::string printable(std::string_view text) {
    std::string out;
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out.push_back(ch);
            continue;
        }
        char buf[8];
        std::snprintf(buf, sizeof buf, "\\x%02X", c);
        out += c == '\\' ? std::string("\\\\") : std::string(buf);
    }
    return out;
}

} // namespace korvelo::cli
