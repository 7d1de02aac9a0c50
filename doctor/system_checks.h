#pragma once
// The checks of a serial port's device node and of the udev set-up, as pure functions over a
// root folder: "/" for the real machine, a folder holding dev/, proc/, etc/ and the udev rule
// folders for tests. Nothing here needs root or a cable.
#include "doctor/udev_rules.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace korvelo::doctor {

// One line of the doctor's answer: what is wrong, and the one command or step that fixes it.
struct Finding {
    std::string problem;
    std::string fix;         // empty when the problem says it already
    bool blocksPort = false; // the port cannot be used until this is fixed
    std::string line() const { return fix.empty() ? problem : problem + " Fix: " + fix; }
};

struct UserIdentity {
    std::uint32_t uid = 0;
    std::string name;
    std::vector<std::uint32_t> groups; // this process's groups, its primary group included
    long pid = 0;                      // this process, which never counts as holding a port
};
// The user running this program (empty on Windows).
UserIdentity currentUser();

struct SystemRoot {
    std::filesystem::path root = "/";
    UserIdentity user;
};

// POSIX access control list entries (system.posix_acl_access), as uaccess sets them.
struct AclEntry {
    enum Tag : std::uint16_t {
        UserObj = 1,
        User = 2,
        GroupObj = 4,
        Group = 8,
        Mask = 16,
        Other = 32
    };
    std::uint16_t tag = 0;
    std::uint16_t perm = 0; // 4 read, 2 write, 1 execute
    std::uint32_t id = 0;
};
// The kernel's extended attribute: a version word (2), then 8-byte entries, little-endian.
std::vector<AclEntry> parsePosixAcl(std::string_view bytes);

struct NodeFacts {
    std::uint32_t mode = 0; // permission bits
    std::uint32_t uid = 0;
    std::uint32_t gid = 0;
    std::vector<AclEntry> acl; // empty: the mode bits alone
};
bool canReadWrite(const NodeFacts& node, const UserIdentity& user);

// The port's device node: it exists, this user may read and write it, no other process holds
// it (found through /proc/*/fd).
std::vector<Finding> checkDeviceNode(const SystemRoot& sys, const std::string& devicePath);

// What the system does to cables with these USB ids: brltty claiming them, ModemManager
// probing them, and whether Korvelo's own rule is installed.
std::vector<Finding> checkUdevSetup(const SystemRoot& sys, const std::vector<UsbId>& ids);

inline constexpr std::string_view kUdevRuleName = "60-korvelo.rules";
// The rule as shipped (res/udev/60-korvelo.rules), compiled into the program.
std::string_view korveloUdevRule();
// The command that installs it from the program.
std::string installUdevRuleCommand();

} // namespace korvelo::doctor
