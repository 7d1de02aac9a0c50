#pragma once
// Just enough of udev's rules to tell what the installed rules do to a USB serial adapter:
// which rules name it by its USB ids, and what they assign. Other match keys (SUBSYSTEM,
// ACTION, KERNEL, ...) are taken as matching; GOTO and LABEL are not followed.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace korvelo::doctor {

// One key of a rule: KEY{attribute} operator "value".
struct UdevKey {
    std::string key;
    std::string attribute;
    std::string op; // == != = += -= :=
    std::string value;
};
using UdevRule = std::vector<UdevKey>;

// The rules of a file: comments and blank lines dropped, backslash continuations joined.
std::vector<UdevRule> parseUdevRules(std::string_view text);

// udev's patterns: * ? [set] and | between alternatives.
bool udevPatternMatch(std::string_view pattern, std::string_view text);

struct UsbId {
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
};

// The rule names USB ids (ATTRS{idVendor}, ATTRS{idProduct}, ENV{ID_VENDOR_ID},
// ENV{ID_MODEL_ID}, ENV{PRODUCT}) and every such key matches this device.
bool ruleMatchesUsbId(const UdevRule& rule, UsbId id);
// The rule assigns KEY{attribute}="value".
bool ruleAssigns(const UdevRule& rule, std::string_view key, std::string_view attribute,
                 std::string_view value);

// A rules file as udev reads it: the one of its name that wins.
struct RulesFile {
    std::string name;
    std::filesystem::path path; // the file on disk (below the root)
    std::string where;          // the same path as the system sees it (/etc/udev/rules.d/...)
};

// The rules files udev reads below root, in name order. A file in /etc/udev/rules.d hides one
// of the same name in /run/udev/rules.d, which hides /usr/local/lib, /usr/lib and /lib; an
// empty file or a link to /dev/null masks the name.
std::vector<RulesFile> effectiveRulesFiles(const std::filesystem::path& root);

std::string readTextFile(const std::filesystem::path& path);

} // namespace korvelo::doctor
