#include "link/port_choice.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace korvelo {

namespace {

constexpr std::array<std::string_view, 4> kAcceptedNames = {
    "CP210x USB to UART Bridge Controller ",
    "CP210x USB to UART Bridge Controller",
    "Silicon Labs CP210x USB to UART Bridge ",
    "Silicon Labs CP210x USB to UART Bridge",
};

constexpr std::array<std::uint16_t, 7> kCp210xProductIds = {0xEA60, 0xEA61, 0xEA63, 0xEA70,
                                                            0xEA71, 0xEA7A, 0xEA7B};

bool isDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// The USB product string Linux reports: "CP2102 USB to UART Bridge Controller",
// "CP2102N USB to UART Bridge Controller", "CP2104 ...".
bool isCp210xProductString(std::string_view d) {
    constexpr std::string_view head = "CP210";
    constexpr std::string_view tail = " USB to UART Bridge Controller";
    while (!d.empty() && d.back() == ' ')
        d.remove_suffix(1);
    if (!d.starts_with(head) || !d.ends_with(tail) || d.size() < head.size() + tail.size())
        return false;
    const std::string_view model = d.substr(head.size(), d.size() - head.size() - tail.size());
    return std::all_of(model.begin(), model.end(),
                       [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
}

std::string_view beforeFirstParen(std::string_view s) {
    return s.substr(0, s.find('('));
}

bool isPath(std::string_view name) {
    return name.find('/') != std::string_view::npos || name.find('\\') != std::string_view::npos;
}

} // namespace

bool isAcceptedAdapterName(std::string_view friendlyName) {
    const std::string_view name = beforeFirstParen(friendlyName);
    return std::find(kAcceptedNames.begin(), kAcceptedNames.end(), name) != kAcceptedNames.end();
}

std::span<const std::uint16_t> cp210xProductIds() {
    return kCp210xProductIds;
}

bool isCp210xBridge(const SSerInfo& port) {
    if (isAcceptedAdapterName(port.friendlyName) || isAcceptedAdapterName(port.portDescription))
        return true;
    if (isCp210xProductString(port.portDescription))
        return true;
    return port.vendorId == kSiliconLabsVendorId && port.productId &&
           std::find(kCp210xProductIds.begin(), kCp210xProductIds.end(), *port.productId) !=
               kCp210xProductIds.end();
}

// Runs of digits compare by value, everything else character by character.
bool naturalLess(std::string_view a, std::string_view b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            std::size_t ie = i, je = j;
            while (ie < a.size() && isDigit(a[ie]))
                ++ie;
            while (je < b.size() && isDigit(b[je]))
                ++je;
            std::string_view na = a.substr(i, ie - i), nb = b.substr(j, je - j);
            while (na.size() > 1 && na.front() == '0')
                na.remove_prefix(1);
            while (nb.size() > 1 && nb.front() == '0')
                nb.remove_prefix(1);
            if (na.size() != nb.size())
                return na.size() < nb.size();
            if (na != nb)
                return na < nb;
            i = ie;
            j = je;
            continue;
        }
        if (a[i] != b[j])
            return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}

std::vector<SSerInfo> systemOrder(std::vector<SSerInfo> ports, HostOs os) {
    if (os == HostOs::MacOs) {
        // Each device appears as tty.* (waits for carrier) and cu.* (does not); only cu.* is
        // usable without modem control.
        std::erase_if(ports, [](const SSerInfo& p) { return !p.portName.starts_with("cu."); });
    }
    std::stable_sort(ports.begin(), ports.end(), [](const SSerInfo& a, const SSerInfo& b) {
        return naturalLess(a.portName, b.portName);
    });
    return ports;
}

BridgeSearch findBridge(const PortEnumeration& enumeration, HostOs os) {
    BridgeSearch result;
    if (!enumeration.error.empty()) {
        result.message = Notice{enumeration.error, Icon::Exclamation};
        return result;
    }
    for (SSerInfo& port : systemOrder(enumeration.ports, os)) {
        if (port.friendlyName.empty())
            port.friendlyName = port.portName;
        if (port.portDescription.empty()) {
            port.portDescription = port.friendlyName;
            const auto cut = port.portDescription.find(" (");
            if (cut != std::string::npos && cut > 0 && port.portDescription.back() == ')')
                port.portDescription.erase(cut);
        }
        if (isCp210xBridge(port)) {
            result.bridge = std::move(port);
            result.portFault = false;
            return result;
        }
    }
    return result;
}

std::string deviceNameFor(std::string_view portName, HostOs os) {
    if (isPath(portName))
        return std::string(portName);
    if (os != HostOs::Windows)
        return "/dev/" + std::string(portName);
    // The digits after "COM", read as a decimal number the way the system always has.
    int number = 0;
    if (portName.size() > 3) {
        for (char c : portName.substr(3)) {
            if (!isDigit(c))
                break;
            number = number * 10 + (c - '0');
            if (number > 1000000)
                break;
        }
    }
    if (number > 5)
        return "\\\\.\\" + std::string(portName);
    return std::string(portName);
}

PortChoice choosePort(const ProfilePortValues& profile,
                      const std::function<PortEnumeration()>& enumerate, HostOs os) {
    PortChoice choice;
    if (profile.autoDetect == "No") {
        if (profile.com.empty()) {
            // Manual mode without a stored port: nothing sensible to open.
            choice.messages.push_back({std::string(kPortSelectionMessage), Icon::Exclamation});
            return choice;
        }
        choice.device = deviceNameFor(profile.com, os);
        return choice;
    }
    const BridgeSearch search = findBridge(enumerate ? enumerate() : PortEnumeration{}, os);
    choice.portFault = search.portFault;
    if (!search.bridge) {
        // A failed enumeration is reported with its own text; it ends as no bridge found.
        choice.messages.push_back(
            search.message ? *search.message
                           : Notice{std::string(kPortSelectionMessage), Icon::Exclamation});
        return choice;
    }
    const SSerInfo& bridge = *search.bridge;
    if (os != HostOs::Windows && !bridge.devicePath.empty())
        choice.device = bridge.devicePath;
    else
        choice.device = deviceNameFor(bridge.portName, os);
    return choice;
}

std::optional<std::string> applyPortChoice(const PortChoice& choice, Notifier& notifier,
                                           bool& portFault) {
    if (choice.portFault)
        portFault = *choice.portFault;
    for (const Notice& n : choice.messages)
        notifier.notify(n.text, n.icon);
    return choice.device;
}

} // namespace korvelo
