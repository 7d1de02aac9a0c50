#include "link/qt/serial_ports.h"

#include <QSerialPortInfo>

namespace korvelo {

PortEnumeration enumerateSerialPorts() {
    PortEnumeration result;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        SSerInfo port;
        port.devicePath = info.systemLocation().toStdString();
        port.portName = info.portName().toStdString();
        port.portDescription = info.description().toStdString();
        if (currentHostOs() == HostOs::Windows && !port.portDescription.empty()) {
            // Windows shows a COM port as its device description followed by "(COMn)".
            port.friendlyName = port.portDescription + " (" + port.portName + ")";
        } else {
            port.friendlyName = port.portDescription;
        }
        port.isUsbDevice = info.hasVendorIdentifier();
        if (info.hasVendorIdentifier())
            port.vendorId = info.vendorIdentifier();
        if (info.hasProductIdentifier())
            port.productId = info.productIdentifier();
        port.manufacturer = info.manufacturer().toStdString();
        port.serialNumber = info.serialNumber().toStdString();
        result.ports.push_back(std::move(port));
    }
    result.ports = systemOrder(std::move(result.ports), currentHostOs());
    return result;
}

void ListSerialPorts(std::vector<SSerInfo>& ports, bool& portFault, Notifier& notifier) {
    ports.clear();
    const BridgeSearch search = findBridge(enumerateSerialPorts(), currentHostOs());
    if (search.message)
        notifier.notify(search.message->text, search.message->icon);
    if (search.bridge)
        ports.push_back(*search.bridge);
    portFault = search.portFault;
}

} // namespace korvelo
