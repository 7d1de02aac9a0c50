#include "link/win/setupapi_ports.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <setupapi.h>

#include <cstdio>
#include <string>
#include <vector>

namespace korvelo {

namespace {

// The COM port device interface class.
const GUID kComPortInterface = {
    0x86E0D1E0, 0x8089, 0x11D0, {0x9C, 0xE4, 0x08, 0x00, 0x3E, 0x30, 0x1F, 0x73}};

std::string failed(const char* step, DWORD err) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "%s failed. (err=%lx)", step, static_cast<unsigned long>(err));
    return buf;
}

std::string property(HDEVINFO set, SP_DEVINFO_DATA& dev, DWORD which) {
    char buf[1024] = {};
    DWORD type = 0;
    if (!SetupDiGetDeviceRegistryPropertyA(set, &dev, which, &type, reinterpret_cast<BYTE*>(buf),
                                           sizeof buf - 2, nullptr))
        return {};
    return buf; // the first string of a multi-string (the hardware ids)
}

std::string portNameOf(HDEVINFO set, SP_DEVINFO_DATA& dev, const std::string& friendly) {
    HKEY key = SetupDiOpenDevRegKey(set, &dev, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (key != INVALID_HANDLE_VALUE) {
        char buf[64] = {};
        DWORD size = sizeof buf - 1;
        DWORD type = 0;
        const LONG got =
            RegQueryValueExA(key, "PortName", nullptr, &type, reinterpret_cast<BYTE*>(buf), &size);
        RegCloseKey(key);
        if (got == ERROR_SUCCESS && type == REG_SZ && buf[0] != '\0')
            return buf;
    }
    // "Silicon Labs CP210x USB to UART Bridge (COM7)"
    const auto open = friendly.rfind('(');
    const auto close = friendly.rfind(')');
    if (open != std::string::npos && close != std::string::npos && close > open + 1)
        return friendly.substr(open + 1, close - open - 1);
    return {};
}

// "USB\VID_10C4&PID_EA60&REV_0100"
std::optional<std::uint16_t> hexAfter(const std::string& id, const char* tag) {
    const auto at = id.find(tag);
    if (at == std::string::npos)
        return std::nullopt;
    unsigned value = 0;
    if (std::sscanf(id.c_str() + at + std::char_traits<char>::length(tag), "%4x", &value) != 1)
        return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

// The instance id of a USB device ends in its serial number, unless Windows made one up (then
// it holds a "&").
std::string serialNumberOf(HDEVINFO set, SP_DEVINFO_DATA& dev) {
    char buf[512] = {};
    if (!SetupDiGetDeviceInstanceIdA(set, &dev, buf, sizeof buf, nullptr))
        return {};
    const std::string id = buf;
    if (id.rfind("USB\\", 0) != 0)
        return {};
    const std::string last = id.substr(id.rfind('\\') + 1);
    return last.find('&') == std::string::npos ? last : std::string();
}

} // namespace

PortEnumeration setupApiSerialPorts() {
    PortEnumeration result;
    HDEVINFO set = SetupDiGetClassDevsA(&kComPortInterface, nullptr, nullptr,
                                        DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE) {
        result.error = failed("SetupDiGetClassDevs", GetLastError());
        return result;
    }
    for (DWORD index = 0;; ++index) {
        SP_DEVICE_INTERFACE_DATA iface{};
        iface.cbSize = sizeof iface;
        if (!SetupDiEnumDeviceInterfaces(set, nullptr, &kComPortInterface, index, &iface)) {
            const DWORD err = GetLastError();
            if (err != ERROR_NO_MORE_ITEMS)
                result.error = failed("SetupDiEnumDeviceInterfaces", err);
            break;
        }
        DWORD needed = 0;
        SetupDiGetDeviceInterfaceDetailA(set, &iface, nullptr, 0, &needed, nullptr);
        std::vector<char> buffer(
            std::max<DWORD>(needed, sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)));
        auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(buffer.data());
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
        SP_DEVINFO_DATA dev{};
        dev.cbSize = sizeof dev;
        if (!SetupDiGetDeviceInterfaceDetailA(set, &iface, detail,
                                              static_cast<DWORD>(buffer.size()), nullptr, &dev)) {
            result.error = failed("SetupDiGetDeviceInterfaceDetail", GetLastError());
            break;
        }
        SSerInfo port;
        port.devicePath = detail->DevicePath;
        port.friendlyName = property(set, dev, SPDRP_FRIENDLYNAME);
        port.portDescription = property(set, dev, SPDRP_DEVICEDESC);
        port.manufacturer = property(set, dev, SPDRP_MFG);
        port.isUsbDevice = property(set, dev, SPDRP_LOCATION_INFORMATION).rfind("USB", 0) == 0;
        port.portName = portNameOf(set, dev, port.friendlyName);
        const std::string hardwareId = property(set, dev, SPDRP_HARDWAREID);
        port.vendorId = hexAfter(hardwareId, "VID_");
        port.productId = hexAfter(hardwareId, "PID_");
        port.isUsbDevice = port.isUsbDevice || port.vendorId.has_value();
        port.serialNumber = serialNumberOf(set, dev);
        if (!port.portName.empty())
            result.ports.push_back(std::move(port));
    }
    SetupDiDestroyDeviceInfoList(set);
    result.ports = systemOrder(std::move(result.ports), HostOs::Windows);
    return result;
}

} // namespace korvelo
