#include "doctor/system_checks.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <sstream>

#ifndef _WIN32
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#ifdef __linux__
#include <sys/xattr.h>
#endif

namespace korvelo::doctor {

namespace fs = std::filesystem;

namespace {

// The path as it lies below the root ("/dev/ttyUSB0" under "/tmp/x" is "/tmp/x/dev/ttyUSB0").
fs::path under(const SystemRoot& sys, const std::string& path) {
    const fs::path p(path);
    return p.is_absolute() ? sys.root / p.relative_path() : sys.root / p;
}

std::string trimmed(std::string s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' '))
        s.pop_back();
    return s;
}

struct GroupEntry {
    std::string name;
    std::vector<std::string> members;
};

// /etc/group: name:password:gid:member,member
std::map<std::uint32_t, GroupEntry> readGroups(const SystemRoot& sys) {
    std::map<std::uint32_t, GroupEntry> groups;
    std::istringstream in(readTextFile(sys.root / "etc/group"));
    std::string line;
    while (std::getline(in, line)) {
        std::vector<std::string> fields;
        std::istringstream f(line);
        std::string field;
        while (std::getline(f, field, ':'))
            fields.push_back(field);
        if (fields.size() < 3 || fields[2].empty() ||
            fields[2].find_first_not_of("0123456789") != std::string::npos)
            continue;
        GroupEntry entry{fields[0], {}};
        if (fields.size() > 3) {
            std::istringstream m(fields[3]);
            while (std::getline(m, field, ','))
                if (!field.empty())
                    entry.members.push_back(trimmed(field));
        }
        groups.emplace(static_cast<std::uint32_t>(std::stoul(fields[2])), std::move(entry));
    }
    return groups;
}

std::optional<NodeFacts> nodeFacts(const fs::path& node) {
#ifdef _WIN32
    (void)node;
    return std::nullopt;
#else
    struct stat st {};
    if (::stat(node.c_str(), &st) != 0)
        return std::nullopt;
    NodeFacts facts{static_cast<std::uint32_t>(st.st_mode & 07777), st.st_uid, st.st_gid, {}};
#ifdef __linux__
    char buf[1024];
    const ssize_t n = ::getxattr(node.c_str(), "system.posix_acl_access", buf, sizeof buf);
    if (n > 0)
        facts.acl = parsePosixAcl(std::string_view(buf, static_cast<std::size_t>(n)));
#endif
    return facts;
#endif
}

std::string octal(std::uint32_t mode) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%04o", static_cast<unsigned>(mode));
    return buf;
}

// The names a device is known by: the path given and, when it is a link (/dev/serial/by-id/..),
// the node it leads to.
std::vector<std::string> namesOf(const SystemRoot& sys, const std::string& devicePath) {
    std::vector<std::string> names{devicePath};
    fs::path p(devicePath);
    for (int hops = 0; hops < 8; ++hops) {
        std::error_code ec;
        const fs::path target = fs::read_symlink(under(sys, p.generic_string()), ec);
        if (ec)
            break;
        p = (target.is_absolute() ? target : p.parent_path() / target).lexically_normal();
        names.push_back(p.generic_string());
    }
    return names;
}

struct Holder {
    long pid;
    std::string name;
};

std::vector<Holder> holdersOf(const SystemRoot& sys, const std::vector<std::string>& names) {
    std::vector<Holder> holders;
    std::error_code ec;
    for (const auto& proc : fs::directory_iterator(sys.root / "proc", ec)) {
        const std::string pidText = proc.path().filename().string();
        if (pidText.empty() || pidText.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const long pid = std::stol(pidText);
        if (pid == sys.user.pid)
            continue;
        std::error_code e2; // another user's process cannot be looked into; skip it
        for (const auto& fd : fs::directory_iterator(proc.path() / "fd", e2)) {
            std::error_code e3;
            const std::string target = fs::read_symlink(fd.path(), e3).generic_string();
            if (!e3 && std::find(names.begin(), names.end(), target) != names.end()) {
                holders.push_back({pid, trimmed(readTextFile(proc.path() / "comm"))});
                break;
            }
        }
    }
    return holders;
}

bool processRuns(const SystemRoot& sys, std::string_view comm) {
    std::error_code ec;
    for (const auto& proc : fs::directory_iterator(sys.root / "proc", ec)) {
        const std::string pidText = proc.path().filename().string();
        if (pidText.find_first_not_of("0123456789") == std::string::npos &&
            trimmed(readTextFile(proc.path() / "comm")) == comm)
            return true;
    }
    return false;
}

std::string usbIdText(UsbId id) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04x:%04x", id.vendor, id.product);
    return buf;
}

const std::string kReplug = ", then plug the cable in again.";

} // namespace

UserIdentity currentUser() {
    UserIdentity user;
#ifndef _WIN32
    user.uid = ::geteuid();
    user.pid = ::getpid();
    if (const passwd* pw = ::getpwuid(user.uid))
        user.name = pw->pw_name;
    user.groups.push_back(::getegid());
    const int n = ::getgroups(0, nullptr);
    if (n > 0) {
        std::vector<gid_t> gids(static_cast<std::size_t>(n));
        const int got = ::getgroups(n, gids.data());
        for (int i = 0; i < got; ++i)
            user.groups.push_back(gids[static_cast<std::size_t>(i)]);
    }
#endif
    return user;
}

std::vector<AclEntry> parsePosixAcl(std::string_view bytes) {
    auto le = [&](std::size_t at, int size) {
        std::uint32_t v = 0;
        for (int i = size - 1; i >= 0; --i)
            v = (v << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
        return v;
    };
    std::vector<AclEntry> entries;
    if (bytes.size() < 4 || le(0, 4) != 2)
        return entries;
    for (std::size_t at = 4; at + 8 <= bytes.size(); at += 8)
        entries.push_back({static_cast<std::uint16_t>(le(at, 2)),
                           static_cast<std::uint16_t>(le(at + 2, 2)), le(at + 4, 4)});
    return entries;
}

// The kernel's order: owner, named user, then any matching group (limited by the mask), else
// other.
bool canReadWrite(const NodeFacts& node, const UserIdentity& user) {
    constexpr std::uint16_t rw = 6;
    if (user.uid == 0)
        return true;
    auto inGroup = [&](std::uint32_t gid) {
        return std::find(user.groups.begin(), user.groups.end(), gid) != user.groups.end();
    };
    if (node.acl.empty()) {
        std::uint32_t bits = node.mode & 07;
        if (node.uid == user.uid)
            bits = (node.mode >> 6) & 07;
        else if (inGroup(node.gid))
            bits = (node.mode >> 3) & 07;
        return (bits & rw) == rw;
    }
    std::uint16_t mask = 07, other = 0;
    for (const AclEntry& e : node.acl) {
        if (e.tag == AclEntry::Mask)
            mask = e.perm;
        if (e.tag == AclEntry::Other)
            other = e.perm;
    }
    if (node.uid == user.uid)
        return ((node.mode >> 6) & rw) == rw;
    for (const AclEntry& e : node.acl)
        if (e.tag == AclEntry::User && e.id == user.uid)
            return (e.perm & mask & rw) == rw;
    bool groupMatched = false;
    for (const AclEntry& e : node.acl) {
        const bool match = (e.tag == AclEntry::GroupObj && inGroup(node.gid)) ||
                           (e.tag == AclEntry::Group && inGroup(e.id));
        if (!match)
            continue;
        groupMatched = true;
        if ((e.perm & mask & rw) == rw)
            return true;
    }
    return !groupMatched && (other & rw) == rw;
}

std::vector<Finding> checkDeviceNode(const SystemRoot& sys, const std::string& devicePath) {
    std::vector<Finding> findings;
    const std::optional<NodeFacts> node = nodeFacts(under(sys, devicePath));
    if (!node) {
        findings.push_back({devicePath + " is not there.",
                            "Plug the cable in (directly, not through a hub that needs power), "
                            "or choose the port in Tools > System Setup.",
                            true});
        return findings;
    }
    if (!canReadWrite(*node, sys.user)) {
        const auto groups = readGroups(sys);
        const auto g = groups.find(node->gid);
        const std::string group = g != groups.end() ? g->second.name : std::to_string(node->gid);
        const bool groupMayUse = ((node->mode >> 3) & 06) == 06;
        const bool listed =
            g != groups.end() && std::find(g->second.members.begin(), g->second.members.end(),
                                           sys.user.name) != g->second.members.end();
        if (!groupMayUse) {
            findings.push_back(
                {"No permission to use " + devicePath + " (mode " + octal(node->mode) + ", group " +
                     group + ").",
                 "Install Korvelo's udev rule: " + installUdevRuleCommand() + kReplug, true});
        } else if (listed) {
            findings.push_back({"No permission to use " + devicePath +
                                    ": you were added to the "
                                    "group \"" +
                                    group + "\" after this login session began.",
                                "Log out and log in again (or restart the computer).", true});
        } else {
            findings.push_back(
                {"No permission to use " + devicePath + ": you are not in the group \"" + group +
                     "\".",
                 "sudo usermod -aG " + group + " $USER, then log out and log in again.", true});
        }
    }
    for (const Holder& h : holdersOf(sys, namesOf(sys, devicePath))) {
        const std::string who =
            (h.name.empty() ? "a program" : h.name) + " (process " + std::to_string(h.pid) + ")";
        findings.push_back({devicePath + " is in use by " + who + ".",
                            "Close " + (h.name.empty() ? "it" : h.name) +
                                ", or end it with: kill " + std::to_string(h.pid),
                            true});
    }
    return findings;
}

std::vector<Finding> checkUdevSetup(const SystemRoot& sys, const std::vector<UsbId>& ids) {
    std::vector<Finding> findings;
    const std::vector<RulesFile> files = effectiveRulesFiles(sys.root);
    std::vector<std::pair<const RulesFile*, std::vector<UdevRule>>> rules;
    for (const RulesFile& f : files)
        rules.emplace_back(&f, parseUdevRules(readTextFile(f.path)));

    static constexpr const char* kBrltty[] = {"usr/bin/brltty", "bin/brltty", "usr/sbin/brltty",
                                              "sbin/brltty"};
    const bool hasBrltty = std::any_of(std::begin(kBrltty), std::end(kBrltty), [&](const char* p) {
        std::error_code ec;
        return fs::exists(sys.root / p, ec);
    });
    if (hasBrltty) {
        for (const auto& entry : rules) {
            const RulesFile* file = entry.first;
            const std::vector<UdevRule>& list = entry.second;
            if (file->name.find("brltty") == std::string::npos)
                continue;
            const auto claimed = std::find_if(ids.begin(), ids.end(), [&](UsbId id) {
                return std::any_of(list.begin(), list.end(),
                                   [&](const UdevRule& r) { return ruleMatchesUsbId(r, id); });
            });
            if (claimed != ids.end()) {
                findings.push_back({"brltty claims CP210x cables (" + usbIdText(*claimed) +
                                        ") through " + file->where +
                                        ", so the cable gets no serial port.",
                                    "sudo ln -s /dev/null /etc/udev/rules.d/" + file->name +
                                        " && sudo udevadm control --reload" + kReplug,
                                    false});
                break;
            }
        }
    }

    if (processRuns(sys, "ModemManager")) {
        const auto probed = std::find_if(ids.begin(), ids.end(), [&](UsbId id) {
            return std::none_of(rules.begin(), rules.end(), [&](const auto& fileRules) {
                return std::any_of(fileRules.second.begin(), fileRules.second.end(),
                                   [&](const UdevRule& r) {
                                       return ruleMatchesUsbId(r, id) &&
                                              ruleAssigns(r, "ENV", "ID_MM_DEVICE_IGNORE", "1");
                                   });
            });
        });
        if (probed != ids.end())
            findings.push_back(
                {"ModemManager is running and no udev rule tells it to leave "
                 "CP210x cables (" +
                     usbIdText(*probed) + ") alone; it may hold the port.",
                 "Install Korvelo's udev rule: " + installUdevRuleCommand() + kReplug, false});
    }

    const bool ownRule = std::any_of(files.begin(), files.end(),
                                     [](const RulesFile& f) { return f.name == kUdevRuleName; });
    if (!ownRule)
        findings.push_back(
            {"Korvelo's udev rule is not installed.", installUdevRuleCommand() + kReplug, false});
    return findings;
}

std::string installUdevRuleCommand() {
    return "korvelo-cli udev-rule | sudo tee /etc/udev/rules.d/" + std::string(kUdevRuleName) +
           " >/dev/null && sudo udevadm control --reload";
}

} // namespace korvelo::doctor
