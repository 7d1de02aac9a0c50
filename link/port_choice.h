#pragma once
// Which serial port OpenPort opens. Everything here is pure: the enumeration (QSerialPortInfo
// in the program) hands over a list of our own port records, and tests give made-up lists,
// since neither a pseudo-terminal nor a build machine lists a CP210x bridge.
#include "notifier.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace korvelo {

// One serial port found by the enumeration.
struct SSerInfo {
    std::string devicePath;      // the name to open the port by
    std::string portName;        // COM3, ttyUSB0, cu.usbserial-0001
    std::string friendlyName;    // the name the system shows for the device
    bool isUsbDevice = false;    // the device sits on USB
    std::string portDescription; // the device description (the USB product string on Linux)
    std::optional<std::uint16_t> vendorId;
    std::optional<std::uint16_t> productId;
    std::string manufacturer; // the USB manufacturer string, where the system tells it
    std::string serialNumber; // the USB serial number, where the system tells it
};

enum class HostOs { Windows, MacOs, Linux };

constexpr HostOs currentHostOs() {
#if defined(_WIN32)
    return HostOs::Windows;
#elif defined(__APPLE__)
    return HostOs::MacOs;
#else
    return HostOs::Linux;
#endif
}

// The texts of the port choice.
inline constexpr std::string_view kPortSelectionMessage =
    "Radio Communication Error!! \r\n\r\nPlease Connect the Port selection.";

// Silicon Labs' USB vendor id; shared by many products that are not bridges.
inline constexpr std::uint16_t kSiliconLabsVendorId = 0x10C4;

// The part of a friendly name before its first "(" is one of the four accepted adapter names
// (exact and case-sensitive, trailing blank included where the system puts one).
bool isAcceptedAdapterName(std::string_view friendlyName);
// A CP210x bridge by its friendly name, its description, or USB vendor 0x10C4 together with a
// CP210x product id. The vendor id alone never counts.
bool isCp210xBridge(const SSerInfo& port);
// The CP210x product ids (under vendor 0x10C4) that the automatic search accepts.
std::span<const std::uint16_t> cp210xProductIds();

// Natural order of port names: COM3 before COM10, ttyUSB0 before ttyUSB1.
bool naturalLess(std::string_view a, std::string_view b);

// The system's order for the choice and for the System Configuration list: sorted naturally
// by port name (stable), and on macOS only the cu.* device of each tty/cu pair.
std::vector<SSerInfo> systemOrder(std::vector<SSerInfo> ports, HostOs os);

// What the enumeration gave: the ports, or the text of the step that failed.
struct PortEnumeration {
    std::vector<SSerInfo> ports;
    std::string error; // empty when the enumeration worked
};

// ListSerialPorts: the first bridge in the system's order (the list holds at most one) and the
// resulting portFault (set when there is none, also when the enumeration failed).
struct BridgeSearch {
    std::optional<SSerInfo> bridge;
    std::optional<Notice> message; // the enumeration's error text, when it failed
    bool portFault = true;
};
BridgeSearch findBridge(const PortEnumeration& enumeration, HostOs os);

// The device name to open for a port name. On Windows "\\.\" goes before COM ports above COM5
// (COM5 opens as COM5, COM6 as \\.\COM6). Elsewhere the device lives under /dev. A name that
// is already a path is opened as it stands.
std::string deviceNameFor(std::string_view portName, HostOs os);

// The two profile values that remember the user's choice, as the profile holds them.
struct ProfilePortValues {
    std::string autoDetect; // "AUTO": only "No" selects the stored port
    std::string com;        // "COM": a port name, or a device path
};

// The OpenPort port choice.
struct PortChoice {
    std::optional<std::string> device; // open this; nothing when the user has been told why
    std::vector<Notice> messages;      // to show, in order
    std::optional<bool> portFault;     // the new value of portFault, when the choice sets it
};
PortChoice choosePort(const ProfilePortValues& profile,
                      const std::function<PortEnumeration()>& enumerate, HostOs os);

// What a port provider does with a choice: tells the messages, sets portFault where the
// choice says so, and gives the device to open.
std::optional<std::string> applyPortChoice(const PortChoice& choice, Notifier& notifier,
                                           bool& portFault);

} // namespace korvelo
