// The port choice over made-up port lists: no bridge is ever listed on a build machine.
#include "link/port_choice.h"

#include <gtest/gtest.h>

namespace korvelo {
namespace {

SSerInfo windowsPort(std::string com, std::string friendly) {
    SSerInfo p;
    p.devicePath = "\\\\?\\usb#vid_xxxx#" + com;
    p.portName = std::move(com);
    p.friendlyName = std::move(friendly);
    return p;
}

SSerInfo linuxPort(std::string name, std::string description, std::optional<std::uint16_t> vid = {},
                   std::optional<std::uint16_t> pid = {}) {
    SSerInfo p;
    p.devicePath = "/dev/" + name;
    p.portName = std::move(name);
    p.portDescription = std::move(description);
    p.vendorId = vid;
    p.productId = pid;
    p.isUsbDevice = vid.has_value();
    return p;
}

std::function<PortEnumeration()> listing(std::vector<SSerInfo> ports) {
    return [ports] { return PortEnumeration{ports, {}}; };
}

TEST(PortChoice, RecognisesBridgesButNeverByVendorIdAlone) {
    EXPECT_TRUE(
        isCp210xBridge(windowsPort("COM3", "Silicon Labs CP210x USB to UART Bridge (COM3)")));
    EXPECT_TRUE(isCp210xBridge(windowsPort("COM3", "CP210x USB to UART Bridge Controller (COM3)")));
    EXPECT_TRUE(isCp210xBridge(linuxPort("ttyUSB0", "CP2102 USB to UART Bridge Controller")));
    EXPECT_TRUE(isCp210xBridge(linuxPort("ttyUSB0", "CP2102N USB to UART Bridge Controller")));
    EXPECT_TRUE(isCp210xBridge(linuxPort("ttyUSB0", "", 0x10C4, 0xEA60)));
    EXPECT_TRUE(isCp210xBridge(linuxPort("ttyUSB0", "", 0x10C4, 0xEA7B)));

    // Silicon Labs' vendor id on a product that is not a CP210x bridge.
    EXPECT_FALSE(isCp210xBridge(linuxPort("ttyACM0", "EFM32 USB CDC", 0x10C4, 0x0003)));
    EXPECT_FALSE(isCp210xBridge(linuxPort("ttyACM0", "", 0x10C4, {})));
    // A CP210x product id under another vendor.
    EXPECT_FALSE(isCp210xBridge(linuxPort("ttyUSB0", "", 0x0403, 0xEA60)));
    // Other makes, and near misses of the accepted names (case, extra words).
    EXPECT_FALSE(isCp210xBridge(linuxPort("ttyUSB0", "FT232R USB UART", 0x0403, 0x6001)));
    EXPECT_FALSE(
        isCp210xBridge(windowsPort("COM3", "silicon labs CP210x USB to UART Bridge (COM3)")));
    EXPECT_FALSE(isCp210xBridge(windowsPort("COM3", "Prolific USB-to-Serial Comm Port (COM3)")));
    EXPECT_FALSE(isCp210xBridge(linuxPort("ttyUSB0", "CP210 USB to UART Bridge Controller x")));
}

TEST(PortChoice, NaturalOrderAndMacCuDevices) {
    EXPECT_TRUE(naturalLess("COM3", "COM10"));
    EXPECT_FALSE(naturalLess("COM10", "COM3"));
    EXPECT_TRUE(naturalLess("ttyUSB0", "ttyUSB1"));
    EXPECT_TRUE(naturalLess("ttyS9", "ttyUSB0"));
    EXPECT_FALSE(naturalLess("COM3", "COM3"));
    EXPECT_TRUE(naturalLess("COM", "COM1"));

    std::vector<SSerInfo> mac = {
        linuxPort("tty.usbserial-2", "CP2102 USB to UART Bridge Controller"),
        linuxPort("cu.usbserial-10", "x"),
        linuxPort("cu.usbserial-2", "CP2102 USB to UART Bridge Controller")};
    const auto ordered = systemOrder(mac, HostOs::MacOs);
    ASSERT_EQ(ordered.size(), 2u);
    EXPECT_EQ(ordered[0].portName, "cu.usbserial-2");
    EXPECT_EQ(ordered[1].portName, "cu.usbserial-10");
    EXPECT_EQ(systemOrder(mac, HostOs::Linux).size(), 3u);

    auto search = findBridge({mac, {}}, HostOs::MacOs);
    ASSERT_TRUE(search.bridge);
    EXPECT_EQ(search.bridge->devicePath, "/dev/cu.usbserial-2");
}

TEST(PortChoice, AutomaticModeTakesTheFirstBridgeInSystemOrder) {
    const auto twoBridges = listing({
        linuxPort("ttyS0", ""),
        linuxPort("ttyUSB10", "CP2102 USB to UART Bridge Controller"),
        linuxPort("ttyUSB2", "FT232R USB UART", 0x0403, 0x6001),
        linuxPort("ttyUSB3", "", 0x10C4, 0xEA60),
    });
    // No "AUTO" value at all, and "no" in lower case: both mean automatic detection.
    for (const std::string autoValue : {"", "no", "Yes", "YES"}) {
        const PortChoice c = choosePort({autoValue, "/dev/ttyS0"}, twoBridges, HostOs::Linux);
        ASSERT_TRUE(c.device) << autoValue;
        EXPECT_EQ(*c.device, "/dev/ttyUSB3") << autoValue; // ttyUSB3 comes before ttyUSB10
        EXPECT_EQ(c.portFault, std::optional<bool>(false));
        EXPECT_TRUE(c.messages.empty());
    }
}

TEST(PortChoice, OtherAdaptersOnlyShowThePortSelectionMessage) {
    for (const auto& ports :
         {std::vector<SSerInfo>{},
          std::vector<SSerInfo>{linuxPort("ttyUSB0", "FT232R USB UART", 0x0403, 0x6001),
                                linuxPort("ttyACM0", "CDC", 0x10C4, 0x0003),
                                linuxPort("ttyS0", "")}}) {
        const PortChoice c = choosePort({"Yes", ""}, listing(ports), HostOs::Linux);
        EXPECT_FALSE(c.device);
        EXPECT_EQ(c.portFault, std::optional<bool>(true));
        ASSERT_EQ(c.messages.size(), 1u);
        EXPECT_EQ(c.messages[0].text,
                  "Radio Communication Error!! \r\n\r\nPlease Connect the Port selection.");
        EXPECT_EQ(c.messages[0].icon, Icon::Exclamation);
    }
}

TEST(PortChoice, FailedEnumerationShowsItsTextAndEndsAsNoBridge) {
    const PortChoice c = choosePort(
        {"Yes", ""},
        [] {
            return PortEnumeration{{}, "Could not list the serial ports (err=5)"};
        },
        HostOs::Linux);
    EXPECT_FALSE(c.device);
    EXPECT_EQ(c.portFault, std::optional<bool>(true));
    ASSERT_EQ(c.messages.size(), 1u);
    EXPECT_EQ(c.messages[0].text, "Could not list the serial ports (err=5)");
}

TEST(PortChoice, WindowsDeviceNamesOfBridges) {
    // The trailing blank in the friendly name is one of the accepted spellings.
    const auto onCom7 =
        listing({windowsPort("COM1", "Communications Port (COM1)"),
                 windowsPort("COM7", "Silicon Labs CP210x USB to UART Bridge (COM7)")});
    EXPECT_EQ(choosePort({"Yes", ""}, onCom7, HostOs::Windows).device, "\\\\.\\COM7");
    const auto onCom4 =
        listing({windowsPort("COM4", "CP210x USB to UART Bridge Controller (COM4)")});
    EXPECT_EQ(choosePort({"Yes", ""}, onCom4, HostOs::Windows).device, "COM4");

    EXPECT_EQ(deviceNameFor("COM5", HostOs::Windows), "COM5");
    EXPECT_EQ(deviceNameFor("COM6", HostOs::Windows), "\\\\.\\COM6");
    EXPECT_EQ(deviceNameFor("COM12", HostOs::Windows), "\\\\.\\COM12");
    EXPECT_EQ(deviceNameFor("\\\\.\\COM12", HostOs::Windows), "\\\\.\\COM12");
}

TEST(PortChoice, ManualModeOpensTheStoredPortWithoutSearching) {
    bool searched = false;
    const auto enumerate = [&] {
        searched = true;
        return PortEnumeration{};
    };
    PortChoice c = choosePort({"No", "ttyUSB1"}, enumerate, HostOs::Linux);
    EXPECT_EQ(c.device, "/dev/ttyUSB1");
    EXPECT_FALSE(c.portFault); // manual mode leaves portFault alone
    c = choosePort({"No", "/dev/pts/4"}, enumerate, HostOs::Linux);
    EXPECT_EQ(c.device, "/dev/pts/4");
    c = choosePort({"No", "COM9"}, enumerate, HostOs::Windows);
    EXPECT_EQ(c.device, "\\\\.\\COM9");
    EXPECT_FALSE(searched);

    // Manual mode with no stored port: the port-selection message, nothing opened.
    c = choosePort({"No", ""}, enumerate, HostOs::Linux);
    EXPECT_FALSE(c.device);
    ASSERT_EQ(c.messages.size(), 1u);
    EXPECT_EQ(c.messages[0].text,
              "Radio Communication Error!! \r\n\r\nPlease Connect the Port selection.");
    EXPECT_FALSE(searched);
}

} // namespace
} // namespace korvelo
