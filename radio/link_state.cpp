#include "radio/link_state.h"

#include "link/command_frame.h"
#include "link/radio_link.h"
#include "radio/disk_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <system_error>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <csignal>
#include <unistd.h>
#endif

namespace korvelo {

namespace fs = std::filesystem;

namespace {

constexpr char kPrefix[] = "link-";
constexpr char kExtension[] = ".state";

// Values as printable text on one line: '%', control bytes and bytes above 0x7E as %XX.
std::string escape(std::string_view text) {
    std::string out;
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c > 0x20 && c < 0x7F && c != '%') {
            out.push_back(ch);
            continue;
        }
        char buf[4];
        std::snprintf(buf, sizeof buf, "%%%02X", c);
        out += buf;
    }
    return out;
}

std::optional<std::string> unescape(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out.push_back(text[i]);
            continue;
        }
        unsigned v = 0;
        if (i + 2 >= text.size() ||
            std::sscanf(std::string(text.substr(i + 1, 2)).c_str(), "%2x", &v) != 1)
            return std::nullopt;
        out.push_back(static_cast<char>(v));
        i += 2;
    }
    return out;
}

long long currentPid() {
#ifdef _WIN32
    return static_cast<long long>(GetCurrentProcessId());
#else
    return static_cast<long long>(::getpid());
#endif
}

std::string currentBootId() {
#ifdef __linux__
    std::ifstream in("/proc/sys/kernel/random/boot_id");
    std::string id;
    std::getline(in, id);
    return id;
#else
    return {};
#endif
}

bool processAlive(long long pid) {
    if (pid <= 0)
        return false;
#ifdef _WIN32
    HANDLE h = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
    if (!h)
        return false;
    DWORD code = 0;
    const bool alive = GetExitCodeProcess(h, &code) && code == STILL_ACTIVE;
    CloseHandle(h);
    return alive;
#else
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
#endif
}

// Written beside, synced, then renamed over the last state: a power cut leaves the old or
// the new file, never half of one.
void writeAtomically(const fs::path& target, const std::string& text) {
    std::error_code ec;
    fs::create_directories(target.parent_path(), ec);
    const fs::path tmp = disk::temporaryBeside(target);
    disk::FilePtr file = disk::createExclusive(tmp);
    if (!file)
        return;
    bool ok = std::fwrite(text.data(), 1, text.size(), file.get()) == text.size();
    ok = disk::syncToDisk(file.get()) && ok;
    ok = std::fclose(file.release()) == 0 && ok;
    if (ok)
        fs::rename(tmp, target, ec);
    if (!ok || ec)
        fs::remove(tmp, ec);
}

} // namespace

std::string encodeLinkState(const LinkState& s) {
    return "port=" + escape(s.port) + "\nserial=" + escape(s.serialNumber) +
           "\ntuner_mode=" + (s.tunerMode ? "yes" : "no") +
           "\ntransmitter_may_be_on=" + (s.transmitterMayBeOn ? "yes" : "no") +
           "\npid=" + std::to_string(s.pid) + "\nboot_id=" + escape(s.bootId) + "\n";
}

std::optional<LinkState> decodeLinkState(std::string_view text) {
    LinkState s;
    bool hasPort = false;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos)
            continue;
        const std::string_view key = line.substr(0, eq);
        const auto value = unescape(line.substr(eq + 1));
        if (!value)
            return std::nullopt;
        if (key == "port") {
            s.port = *value;
            hasPort = !value->empty();
        } else if (key == "serial") {
            s.serialNumber = *value;
        } else if (key == "tuner_mode") {
            s.tunerMode = *value == "yes";
        } else if (key == "transmitter_may_be_on") {
            s.transmitterMayBeOn = *value == "yes";
        } else if (key == "pid") {
            s.pid = std::atoll(value->c_str());
        } else if (key == "boot_id") {
            s.bootId = *value;
        }
    }
    if (!hasPort)
        return std::nullopt;
    return s;
}

LinkStateFile::LinkStateFile(fs::path folder) : folder_(std::move(folder)) {}

LinkStateFile::~LinkStateFile() {
    clear();
}

fs::path LinkStateFile::fileFor(const std::string& port) const {
    std::string name = kPrefix;
    for (const char c : port)
        name.push_back(
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ? c : '_');
    // Two ports whose names differ only in punctuation still get two files.
    name += "-" + std::to_string(std::hash<std::string>{}(port) % 100000) + kExtension;
    return folder_ / name;
}

void LinkStateFile::put(LinkState state) {
    if (state.port.empty())
        state.port = port_;
    if (state.port.empty() || folder_.empty())
        return;
    port_ = state.port;
    const fs::path file = fileFor(state.port);
    if (!state.tunerMode && !state.transmitterMayBeOn) {
        std::error_code ec;
        fs::remove(file, ec);
        return;
    }
    state.pid = currentPid();
    state.bootId = currentBootId();
    writeAtomically(file, encodeLinkState(state));
    if (std::find(written_.begin(), written_.end(), file) == written_.end())
        written_.push_back(file);
}

void LinkStateFile::clear() {
    std::error_code ec;
    for (const fs::path& f : written_)
        fs::remove(f, ec);
    written_.clear();
}

std::vector<LinkStateFile::Left> LinkStateFile::leftUnclean() const {
    std::vector<Left> out;
    std::error_code ec;
    const std::string boot = currentBootId();
    for (fs::directory_iterator it(folder_, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (!name.starts_with(kPrefix) || it->path().extension() != kExtension)
            continue;
        std::ifstream in(it->path(), std::ios::binary);
        const std::string text(std::istreambuf_iterator<char>(in), {});
        const auto state = decodeLinkState(text);
        if (!state)
            continue;
        const bool sameBoot = state->bootId.empty() || boot.empty() || state->bootId == boot;
        if (sameBoot && (state->pid == currentPid() || processAlive(state->pid)))
            continue; // a run that is still going (or this one)
        out.push_back({it->path(), *state});
    }
    return out;
}

void LinkStateFile::forget(const Left& left) {
    std::error_code ec;
    fs::remove(left.file, ec);
}

namespace {
LinkState stateOf(const Session& s) {
    LinkState state;
    state.tunerMode = s.flags.inTunerMode;
    state.transmitterMayBeOn = s.transmitterMayBeOn;
    state.serialNumber = s.identity.serialNumber.value_or(s.guardRecord.serialNumber.value_or(""));
    return state;
}
} // namespace

void noteTunerModeComing(const AppEnv& env) {
    if (!env.session.linkState)
        return;
    LinkState state = stateOf(env.session);
    state.port = env.ports.portInUse();
    state.tunerMode = true;
    env.session.linkState->put(state);
}

void syncLinkState(Session& session, bool tunerModeRefused) {
    if (!session.linkState)
        return;
    LinkState state = stateOf(session);
    state.tunerMode = state.tunerMode || tunerModeRefused;
    session.linkState->put(state);
}

void noteTunerModeLeft(Session& session) {
    if (!session.linkState)
        return;
    LinkState state = stateOf(session);
    state.tunerMode = false;
    state.transmitterMayBeOn = false;
    session.linkState->put(state);
}

std::string uncleanEndText(const LinkState& s) {
    std::string text = "Korvelo did not end cleanly while the radio on " + s.port;
    if (!s.serialNumber.empty())
        text += " (serial number " + s.serialNumber + ")";
    text += " was in tuner mode";
    if (s.transmitterMayBeOn)
        text += " and its transmitter may have been keyed";
    return text + ".";
}

bool makeRadioSafe(const AppEnv& env) {
    RadioLink link(env.linkEnv());
    link.OpenPort();
    if (!link.isOpen())
        return false; // told already
    link.waitingFor("PTT off");
    link.sendAndWait(CommandFrame::pttOff(), 30, 1000);
    link.waitingFor("leave tuner mode");
    return link.sendAndWait(CommandFrame::leaveTunerMode(), 30, 1000);
}

} // namespace korvelo
