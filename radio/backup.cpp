#include "radio/backup.h"

#include "radio/disk_file.h"
#include "radio/image_record.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iterator>
#include <map>
#include <system_error>

namespace korvelo {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kMaxSidecarBytes = 4096;

std::string jsonString(std::string_view text) {
    std::string out = "\"";
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += ch;
        } else if (c < 0x20 || c >= 0x7F) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += ch;
        }
    }
    return out + "\"";
}

// A flat JSON object: string, number, true, false and null values; nothing else is taken.
class FlatJson {
  public:
    explicit FlatJson(std::string_view text) : s_(text) {}

    std::optional<std::map<std::string, std::optional<std::string>>> parse() {
        std::map<std::string, std::optional<std::string>> values;
        skip();
        if (!take('{'))
            return std::nullopt;
        skip();
        if (take('}'))
            return end() ? std::optional(values) : std::nullopt;
        for (;;) {
            skip();
            const auto key = string();
            skip();
            if (!key || !take(':'))
                return std::nullopt;
            skip();
            std::optional<std::string> value;
            if (peek() == '"') {
                value = string();
                if (!value)
                    return std::nullopt;
            } else if (!literal(value)) {
                return std::nullopt;
            }
            values[*key] = value;
            skip();
            if (take('}'))
                return end() ? std::optional(values) : std::nullopt;
            if (!take(','))
                return std::nullopt;
        }
    }

  private:
    char peek() const { return i_ < s_.size() ? s_[i_] : '\0'; }
    bool take(char c) {
        if (peek() != c)
            return false;
        ++i_;
        return true;
    }
    void skip() {
        while (i_ < s_.size() &&
               (s_[i_] == ' ' || s_[i_] == '\t' || s_[i_] == '\r' || s_[i_] == '\n'))
            ++i_;
    }
    bool end() {
        skip();
        return i_ == s_.size();
    }
    std::optional<std::string> string() {
        if (!take('"'))
            return std::nullopt;
        std::string out;
        while (i_ < s_.size()) {
            const char c = s_[i_++];
            if (c == '"')
                return out;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (i_ >= s_.size())
                return std::nullopt;
            const char e = s_[i_++];
            switch (e) {
            case '"':
            case '\\':
            case '/':
                out += e;
                break;
            case 'n':
                out += '\n';
                break;
            case 't':
                out += '\t';
                break;
            case 'u': {
                if (i_ + 4 > s_.size())
                    return std::nullopt;
                unsigned v = 0;
                for (int k = 0; k < 4; ++k) {
                    const char h = s_[i_++];
                    v <<= 4;
                    if (h >= '0' && h <= '9')
                        v |= static_cast<unsigned>(h - '0');
                    else if (h >= 'a' && h <= 'f')
                        v |= static_cast<unsigned>(h - 'a' + 10);
                    else if (h >= 'A' && h <= 'F')
                        v |= static_cast<unsigned>(h - 'A' + 10);
                    else
                        return std::nullopt;
                }
                // Only the bytes sidecarJson escapes come back; others stand as '?'.
                out += v < 0x100 ? static_cast<char>(v) : '?';
                break;
            }
            default:
                return std::nullopt;
            }
        }
        return std::nullopt;
    }
    bool literal(std::optional<std::string>& value) {
        const std::size_t start = i_;
        while (i_ < s_.size() && (std::isalnum(static_cast<unsigned char>(s_[i_])) ||
                                  s_[i_] == '-' || s_[i_] == '.' || s_[i_] == '+'))
            ++i_;
        const std::string_view word = s_.substr(start, i_ - start);
        if (word.empty())
            return false;
        if (word == "null")
            value.reset();
        else
            value = std::string(word);
        return true;
    }

    std::string_view s_;
    std::size_t i_ = 0;
};

std::optional<unsigned> number(const std::optional<std::string>& text) {
    if (!text || text->empty() || text->size() > 6)
        return std::nullopt;
    unsigned v = 0;
    for (const char c : *text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        v = v * 10 + static_cast<unsigned>(c - '0');
    }
    return v;
}

bool isStamp(std::string_view s) {
    if (s.size() != 16 || s[8] != 'T' || s[15] != 'Z')
        return false;
    for (std::size_t i = 0; i < 15; ++i)
        if (i != 8 && !std::isdigit(static_cast<unsigned char>(s[i])))
            return false;
    return true;
}

// Serial, band type and time from a backup's name ("<serial>_type<N>_<time>[-k].tun").
std::optional<BackupFacts> factsFromName(const fs::path& file) {
    const std::u8string u8 = file.stem().u8string();
    const std::string stem(u8.begin(), u8.end());
    const std::size_t a = stem.find("_type");
    if (a == std::string::npos)
        return std::nullopt;
    const std::size_t b = stem.find('_', a + 5);
    if (b == std::string::npos)
        return std::nullopt;
    const auto band = number(stem.substr(a + 5, b - a - 5));
    const std::string time = stem.substr(b + 1, 16);
    if (!band || *band > 255 || !isStamp(time))
        return std::nullopt;
    BackupFacts f;
    f.serial = stem.substr(0, a);
    if (f.serial == "unknown")
        f.serial.clear();
    f.bandType = static_cast<std::uint8_t>(*band);
    f.time = time;
    return f;
}

// The n of a name that had to take "-n" (1 for the first of its second).
int sequenceOf(const fs::path& file) {
    const std::u8string u8 = file.stem().u8string();
    const std::string stem(u8.begin(), u8.end());
    const std::size_t at = stem.rfind('_');
    if (at == std::string::npos || stem.size() < at + 18 || stem[at + 17] != '-')
        return 1;
    return static_cast<int>(number(stem.substr(at + 18)).value_or(1));
}

std::optional<std::string> readSmallFile(const fs::path& path) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec) || fs::file_size(path, ec) > kMaxSidecarBytes)
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

fs::path withSuffix(const fs::path& folder, const std::string& stem, int n, const char* ext) {
    std::string name = stem;
    if (n > 1)
        name += "-" + std::to_string(n);
    name += ext;
    return folder / fs::path(std::u8string(name.begin(), name.end()));
}

std::string reasonOf(int error) {
    return std::generic_category().message(error);
}

} // namespace

std::string utcStamp(std::chrono::system_clock::time_point t) {
    const std::time_t secs = std::chrono::system_clock::to_time_t(t);
    std::tm tm{};
#ifdef _WIN32
    gmtime_s(&tm, &secs);
#else
    gmtime_r(&secs, &tm);
#endif
    char buf[24];
    std::strftime(buf, sizeof buf, "%Y%m%dT%H%M%SZ", &tm);
    return buf;
}

std::string readableStamp(std::string_view s) {
    if (!isStamp(s))
        return std::string(s);
    return std::string(s.substr(0, 4)) + "-" + std::string(s.substr(4, 2)) + "-" +
           std::string(s.substr(6, 2)) + " " + std::string(s.substr(9, 2)) + ":" +
           std::string(s.substr(11, 2)) + ":" + std::string(s.substr(13, 2)) + " UTC";
}

std::string serialForFileName(std::string_view serial) {
    std::string out;
    for (const char c : serial)
        if (std::isalnum(static_cast<unsigned char>(c)) || c == '-')
            out += c;
    return out.empty() ? "unknown" : out;
}

std::string backupStem(const BackupFacts& f) {
    return serialForFileName(f.serial) + "_type" + std::to_string(f.bandType) + "_" + f.time;
}

std::string sidecarJson(const BackupFacts& f) {
    std::string s =
        "{\"serial\":" + (f.serial.empty() ? std::string("null") : jsonString(f.serial));
    s += ",\"band_type\":" + std::to_string(f.bandType);
    s += ",\"memory_blocks\":" + std::string(f.is256BlockMemory ? "256" : "128");
    s += ",\"audio_processor\":" + jsonString(f.isAk2347Radio ? "AK2347" : "CMX148");
    s += ",\"firmware\":" + (f.fwVersion ? jsonString(*f.fwVersion) : std::string("null"));
    s += ",\"program_version\":" + jsonString(f.programVersion);
    s += ",\"time\":" + jsonString(f.time) + "}";
    return s;
}

std::optional<BackupFacts> parseSidecar(std::string_view text) {
    const auto values = FlatJson(text).parse();
    if (!values)
        return std::nullopt;
    const auto get = [&](const char* key) -> std::optional<std::string> {
        const auto it = values->find(key);
        return it == values->end() ? std::nullopt : it->second;
    };
    BackupFacts f;
    f.serial = get("serial").value_or("");
    const auto band = number(get("band_type"));
    if (!band || *band > 255)
        return std::nullopt;
    f.bandType = static_cast<std::uint8_t>(*band);
    f.is256BlockMemory = get("memory_blocks") == std::optional<std::string>("256");
    f.isAk2347Radio = get("audio_processor") != std::optional<std::string>("CMX148");
    f.fwVersion = get("firmware");
    f.programVersion = get("program_version").value_or("");
    f.time = get("time").value_or("");
    return f;
}

BackupWrite writeBackup(const fs::path& folder, const TuningRecord& record,
                        const BackupFacts& facts) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec)
        return {{}, displayPath(folder) + ": " + ec.message()};
    const auto tun = encodeTuningFile(record);
    const std::string json = sidecarJson(facts) + "\n";
    const std::string stem = backupStem(facts);
    for (int n = 1; n < 1000; ++n) {
        const fs::path path = withSuffix(folder, stem, n, ".tun");
        const fs::path side = withSuffix(folder, stem, n, ".json");
        if (fs::exists(side, ec)) // a sidecar left alone belongs to another backup
            continue;
        int error = 0;
        switch (disk::writeNew(path, tun, error)) {
        case disk::Publish::Exists:
            continue;
        case disk::Publish::Failed:
            return {{}, displayPath(path) + ": " + reasonOf(error)};
        case disk::Publish::Done:
            break;
        }
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(json.data());
        if (disk::writeNew(side, std::span(bytes, json.size()), error) != disk::Publish::Done)
            return {path, displayPath(side) + ": " + reasonOf(error != 0 ? error : EEXIST)};
        return {path, {}};
    }
    return {{}, displayPath(folder) + ": no free name for " + stem};
}

std::optional<BackupEntry> backupEntry(const fs::path& tunFile) {
    BackupEntry e;
    e.path = tunFile;
    fs::path side = tunFile;
    side.replace_extension(".json");
    if (const auto text = readSmallFile(side)) {
        if (const auto facts = parseSidecar(*text)) {
            e.facts = *facts;
            e.hasSidecar = true;
            return e;
        }
    }
    const auto facts = factsFromName(tunFile);
    if (!facts)
        return std::nullopt;
    e.facts = *facts;
    return e;
}

std::vector<BackupEntry> listBackups(const fs::path& folder,
                                     const std::optional<std::string>& serial) {
    std::vector<BackupEntry> out;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->path().extension() != ".tun" || !it->is_regular_file(ec))
            continue;
        auto e = backupEntry(it->path());
        if (!e)
            continue;
        if (serial && serialForFileName(e->facts.serial) != serialForFileName(*serial))
            continue;
        out.push_back(std::move(*e));
    }
    std::sort(out.begin(), out.end(), [](const BackupEntry& a, const BackupEntry& b) {
        if (a.facts.time != b.facts.time)
            return a.facts.time > b.facts.time;
        return sequenceOf(a.path) > sequenceOf(b.path);
    });
    return out;
}

void backupAfterRead(Session& session, Notifier& notifier) {
    GuardRecord& record = session.guardRecord;
    record.backup.clear();
    record.backupFailure.clear();
    const GuardOptions& options = session.guard;
    if (!options.takesBackups())
        return;
    BackupFacts facts;
    facts.serial = record.serialNumber.value_or("");
    facts.bandType = session.radioType;
    facts.is256BlockMemory = session.flags.is256BlockMemory;
    facts.isAk2347Radio = session.flags.isAk2347Radio;
    facts.programVersion = options.programVersion;
    facts.time = utcStamp(std::chrono::system_clock::now());
    const BackupWrite w =
        writeBackup(options.backupFolder, {session.flags.isAk2347Radio, session.image}, facts);
    record.backup = w.path;
    if (!w.path.empty())
        recordBackup(session, w.path.string());
    if (w.ok())
        return;
    record.backupFailure = w.failure;
    notifier.notify(
        w.path.empty()
            ? "No backup of the radio's tuning area could be kept; the read itself succeeded.\n" +
                  w.failure
            : "The backup " + displayPath(w.path) + " was kept without its description.\n" +
                  w.failure,
        Icon::Warning);
}

} // namespace korvelo
