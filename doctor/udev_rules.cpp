#include "doctor/udev_rules.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>

namespace korvelo::doctor {

namespace fs = std::filesystem;

namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

// KEY{attr}op"value" at the front of s; false when s holds no more keys.
bool takeKey(std::string_view& s, UdevKey& out) {
    while (!s.empty() && (isSpace(s.front()) || s.front() == ','))
        s.remove_prefix(1);
    if (s.empty())
        return false;
    std::size_t i = 0;
    while (i < s.size() && (std::isalnum(static_cast<unsigned char>(s[i])) || s[i] == '_'))
        ++i;
    out = UdevKey{std::string(s.substr(0, i)), {}, {}, {}};
    s.remove_prefix(i);
    if (!s.empty() && s.front() == '{') {
        const auto close = s.find('}');
        if (close == std::string_view::npos)
            return false;
        out.attribute = std::string(s.substr(1, close - 1));
        s.remove_prefix(close + 1);
    }
    while (!s.empty() && isSpace(s.front()))
        s.remove_prefix(1);
    for (std::string_view op : {"==", "!=", "+=", "-=", ":=", "="}) {
        if (s.starts_with(op)) {
            out.op = std::string(op);
            s.remove_prefix(op.size());
            break;
        }
    }
    while (!s.empty() && isSpace(s.front()))
        s.remove_prefix(1);
    if (out.key.empty() || out.op.empty() || s.empty() || s.front() != '"')
        return false;
    const auto end = s.find('"', 1);
    if (end == std::string_view::npos)
        return false;
    out.value = std::string(s.substr(1, end - 1));
    s.remove_prefix(end + 1);
    return true;
}

bool globMatch(std::string_view p, std::string_view t) {
    std::size_t pi = 0, ti = 0, starP = std::string_view::npos, starT = 0;
    auto setMatches = [&](std::size_t& i, char c) {
        // p[i] is '['; on return i is past the closing ']'.
        std::size_t j = i + 1;
        const bool negate = j < p.size() && (p[j] == '!' || p[j] == '^');
        if (negate)
            ++j;
        bool hit = false;
        for (bool first = true; j < p.size() && (first || p[j] != ']'); first = false) {
            if (j + 2 < p.size() && p[j + 1] == '-' && p[j + 2] != ']') {
                hit |= p[j] <= c && c <= p[j + 2];
                j += 3;
            } else {
                hit |= p[j] == c;
                ++j;
            }
        }
        i = j + 1;
        return hit != negate;
    };
    while (ti < t.size()) {
        if (pi < p.size() && p[pi] == '*') {
            starP = pi++;
            starT = ti;
            continue;
        }
        if (pi < p.size()) {
            std::size_t next = pi;
            bool ok = false;
            if (p[pi] == '?') {
                ok = true;
                next = pi + 1;
            } else if (p[pi] == '[') {
                ok = setMatches(next, t[ti]);
            } else {
                ok = p[pi] == t[ti];
                next = pi + 1;
            }
            if (ok) {
                pi = next;
                ++ti;
                continue;
            }
        }
        if (starP == std::string_view::npos)
            return false;
        pi = starP + 1;
        ti = ++starT;
    }
    while (pi < p.size() && p[pi] == '*')
        ++pi;
    return pi == p.size();
}

std::string hex(std::uint16_t v, bool padded) {
    char buf[8];
    std::snprintf(buf, sizeof buf, padded ? "%04x" : "%x", v);
    return buf;
}

// ENV{PRODUCT} is "vendor/product/bcdDevice" in hex without leading zeros; the device's
// release is not known here, so only the first two fields are compared.
bool productMatches(std::string_view pattern, UsbId id) {
    std::size_t start = 0;
    while (start <= pattern.size()) {
        const auto bar = pattern.find('|', start);
        const std::string_view alt =
            pattern.substr(start, bar == std::string_view::npos ? bar : bar - start);
        const auto s1 = alt.find('/');
        const auto s2 = s1 == std::string_view::npos ? s1 : alt.find('/', s1 + 1);
        if (s1 != std::string_view::npos) {
            const std::string_view v = alt.substr(0, s1);
            const std::string_view p = alt.substr(
                s1 + 1, s2 == std::string_view::npos ? std::string_view::npos : s2 - s1 - 1);
            if (globMatch(v, hex(id.vendor, false)) && globMatch(p, hex(id.product, false)))
                return true;
        } else if (globMatch(alt, hex(id.vendor, false))) {
            return true; // "10c4*"
        }
        if (bar == std::string_view::npos)
            break;
        start = bar + 1;
    }
    return false;
}

} // namespace

std::vector<UdevRule> parseUdevRules(std::string_view text) {
    std::vector<UdevRule> rules;
    std::string line;
    std::istringstream in{std::string(text)};
    std::string piece;
    while (std::getline(in, piece)) {
        if (!piece.empty() && piece.back() == '\r')
            piece.pop_back();
        if (!piece.empty() && piece.back() == '\\') {
            piece.pop_back();
            line += piece;
            continue;
        }
        line += piece;
        std::string_view s = line;
        while (!s.empty() && isSpace(s.front()))
            s.remove_prefix(1);
        if (!s.empty() && s.front() != '#') {
            UdevRule rule;
            UdevKey key;
            while (takeKey(s, key))
                rule.push_back(std::move(key));
            if (!rule.empty())
                rules.push_back(std::move(rule));
        }
        line.clear();
    }
    return rules;
}

bool udevPatternMatch(std::string_view pattern, std::string_view text) {
    std::size_t start = 0;
    for (;;) {
        const auto bar = pattern.find('|', start);
        if (globMatch(pattern.substr(start, bar == std::string_view::npos ? bar : bar - start),
                      text))
            return true;
        if (bar == std::string_view::npos)
            return false;
        start = bar + 1;
    }
}

bool ruleMatchesUsbId(const UdevRule& rule, UsbId id) {
    bool named = false;
    for (const UdevKey& k : rule) {
        if (k.op != "==" && k.op != "!=")
            continue;
        bool hit = false;
        if ((k.key == "ATTRS" || k.key == "ATTR" || k.key == "SYSFS") &&
            (k.attribute == "idVendor" || k.attribute == "idProduct")) {
            hit = udevPatternMatch(k.value,
                                   hex(k.attribute == "idVendor" ? id.vendor : id.product, true));
        } else if (k.key == "ENV" &&
                   (k.attribute == "ID_VENDOR_ID" || k.attribute == "ID_MODEL_ID")) {
            hit = udevPatternMatch(
                k.value, hex(k.attribute == "ID_VENDOR_ID" ? id.vendor : id.product, true));
        } else if (k.key == "ENV" && k.attribute == "PRODUCT") {
            hit = productMatches(k.value, id);
        } else {
            continue;
        }
        named = true;
        if (hit != (k.op == "=="))
            return false;
    }
    return named;
}

bool ruleAssigns(const UdevRule& rule, std::string_view key, std::string_view attribute,
                 std::string_view value) {
    return std::any_of(rule.begin(), rule.end(), [&](const UdevKey& k) {
        return k.key == key && k.attribute == attribute && k.value == value &&
               (k.op == "=" || k.op == ":=" || k.op == "+=");
    });
}

std::vector<RulesFile> effectiveRulesFiles(const fs::path& root) {
    // Highest priority first.
    static constexpr std::array<const char*, 5> kDirs = {
        "/etc/udev/rules.d", "/run/udev/rules.d", "/usr/local/lib/udev/rules.d",
        "/usr/lib/udev/rules.d", "/lib/udev/rules.d"};
    std::map<std::string, RulesFile> byName;
    std::map<std::string, bool> masked;
    for (const char* dir : kDirs) {
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(root / (dir + 1), ec)) {
            const std::string name = entry.path().filename().string();
            if (!name.ends_with(".rules") || byName.count(name) || masked.count(name))
                continue;
            std::error_code e2;
            const bool isNull = entry.is_symlink(e2) &&
                                fs::read_symlink(entry.path(), e2).generic_string() == "/dev/null";
            const bool empty = !isNull && entry.is_regular_file(e2) && entry.file_size(e2) == 0;
            if (isNull || empty) {
                masked[name] = true;
                continue;
            }
            byName[name] = RulesFile{name, entry.path(), std::string(dir) + "/" + name};
        }
    }
    std::vector<RulesFile> files;
    for (auto& [name, file] : byName)
        files.push_back(std::move(file));
    return files;
}

std::string readTextFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace korvelo::doctor
