#include "doctor/connection_doctor.h"

#include "link/serial_device.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

namespace korvelo::doctor {

namespace {

// The device a listed port opens as, the way the port choice opens it.
std::string deviceOf(const SSerInfo& port, HostOs os) {
    if (os != HostOs::Windows && !port.devicePath.empty())
        return port.devicePath;
    return deviceNameFor(port.portName, os);
}

std::vector<UsbId> cableIds(const std::vector<PortRow>& rows) {
    std::vector<UsbId> ids;
    for (const PortRow& r : rows)
        if (r.cp210x && r.port.vendorId && r.port.productId)
            ids.push_back({*r.port.vendorId, *r.port.productId});
    if (ids.empty())
        for (std::uint16_t product : cp210xProductIds())
            ids.push_back({kSiliconLabsVendorId, product});
    return ids;
}

void addUnique(std::vector<Finding>& to, const std::vector<Finding>& from) {
    for (const Finding& f : from)
        if (std::none_of(to.begin(), to.end(),
                         [&](const Finding& t) { return t.line() == f.line(); }))
            to.push_back(f);
}

// The finding for a chosen port that is not a CP210x cable, naming the cable ports there are.
Finding notACable(const std::string& port, const std::string& ids,
                  const std::vector<PortRow>& rows) {
    std::string cables;
    for (const PortRow& r : rows)
        if (r.cp210x)
            cables += (cables.empty() ? "" : ", ") + r.port.portName;
    Finding f;
    f.problem = port + " is not a Korvelo cable (" +
                (ids.empty() ? std::string("no USB IDs") : "USB IDs " + ids) + ").";
    f.fix = cables.empty() ? "No cable port was found: plug the programming cable in, then "
                             "tick \"Auto Detect COM Port\" in Tools > System Setup."
                           : "Cable ports found: " + cables +
                                 ". Choose one in Tools > System Setup, or tick \"Auto Detect "
                                 "COM Port\".";
    f.blocksPort = true;
    return f;
}

} // namespace

std::string usbIds(const SSerInfo& port) {
    if (!port.vendorId || !port.productId)
        return {};
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04x:%04x", *port.vendorId, *port.productId);
    return buf;
}

DoctorInput hostInput(PortEnumeration ports, ProfilePortValues profile,
                      std::optional<std::string> runPort) {
    DoctorInput input;
    input.ports = std::move(ports);
    input.profile = std::move(profile);
    input.runPort = std::move(runPort);
    input.system.user = currentUser();
    if (input.os != HostOs::Linux) {
        input.tryOpen = [](const std::string& device) {
            SerialDevice d;
            const OpenResult result = d.open(PortSettings{device});
            d.close();
            return result;
        };
    }
    return input;
}

DoctorReport examine(const DoctorInput& in) {
    DoctorReport report;
    const HostOs os = in.os;
    const BridgeSearch search = findBridge(in.ports, os);
    for (const SSerInfo& port : systemOrder(in.ports.ports, os)) {
        PortRow row{port, isCp210xBridge(port), false, false};
        row.autoPick = search.bridge && search.bridge->portName == port.portName;
        report.ports.push_back(std::move(row));
    }
    std::optional<PortRow> cable; // the first CP210x, to point a wrong manual choice at
    for (const PortRow& r : report.ports)
        if (r.autoPick)
            cable = r;

    const bool manual = in.profile.autoDetect == "No";
    if (!in.ports.error.empty())
        report.findings.push_back({"The serial ports could not be listed: " + in.ports.error, {}});
    if (in.runPort) {
        report.device = deviceNameFor(*in.runPort, os);
        report.choice = "This run uses " + *report.device + ", given on the command line.";
    } else if (manual) {
        if (in.profile.com.empty()) {
            report.choice = "System Configuration: Auto Detect COM Port is off and no port is "
                            "chosen.";
            report.findings.push_back({"System Configuration has no port chosen.",
                                       "In Tools > System Setup tick \"Auto Detect COM Port\", "
                                       "or choose the cable's port.",
                                       true});
        } else {
            report.device = deviceNameFor(in.profile.com, os);
            report.choice = "System Configuration: " + in.profile.com +
                            " (Auto Detect COM Port is off); Korvelo opens " + *report.device + ".";
        }
    } else if (search.bridge) {
        report.device = deviceOf(*search.bridge, os);
        report.choice = "System Configuration: Auto Detect COM Port; the automatic search takes " +
                        search.bridge->portName + " (" + *report.device + ").";
    } else {
        report.choice = "System Configuration: Auto Detect COM Port; the automatic search finds "
                        "no CP210x cable.";
        report.findings.push_back({"No CP210x cable is among the serial ports.",
                                   "Plug the programming cable in. If it is plugged in, Find "
                                   "my cable (Tools > Connection Doctor) takes the port it "
                                   "gets.",
                                   true});
    }
    if (!manual && !in.runPort &&
        std::count_if(report.ports.begin(), report.ports.end(),
                      [](const PortRow& r) { return r.cp210x; }) > 1)
        report.choice += " More than one CP210x cable is plugged in; the first is taken.";

    for (PortRow& r : report.ports)
        r.chosen = report.device && deviceOf(r.port, os) == *report.device;
    const bool listed = std::any_of(report.ports.begin(), report.ports.end(),
                                    [](const PortRow& r) { return r.chosen; });

    std::vector<Finding> portFindings;
    if (report.device) {
        if (os == HostOs::Windows) {
            if (!listed && manual && !in.runPort)
                portFindings.push_back(
                    {in.profile.com + ", chosen in System Configuration, is not among the "
                                      "serial ports.",
                     cable ? "Choose " + cable->port.portName +
                                 " in Tools > System Setup, or tick \"Auto Detect COM Port\"."
                           : "Plug the cable in, or choose its port in Tools > System Setup.",
                     true});
        } else {
            portFindings = checkDeviceNode(in.system, *report.device);
            if (manual && !in.runPort && !listed && cable && !portFindings.empty())
                portFindings.front().fix = "Choose " + cable->port.portName +
                                           " in Tools > System Setup, or tick \"Auto Detect COM "
                                           "Port\".";
        }
        // Any serial port opens, but only the programming cable reaches the radio: a port
        // without the cable's USB ids (an on-board UART, a modem, a pseudo-terminal) is refused
        // here rather than reported ready.
        const auto chosenRow = std::find_if(report.ports.begin(), report.ports.end(),
                                            [](const PortRow& r) { return r.chosen; });
        if ((listed || portFindings.empty()) &&
            (chosenRow == report.ports.end() || !chosenRow->cp210x))
            portFindings.insert(
                portFindings.begin(),
                notACable(chosenRow == report.ports.end() ? *report.device
                                                          : chosenRow->port.portName,
                          chosenRow == report.ports.end() ? std::string() : usbIds(chosenRow->port),
                          report.ports));
        if (in.tryOpen && portFindings.empty()) {
            const OpenResult opened = in.tryOpen(*report.device);
            if (!opened.ok)
                portFindings.push_back({opened.reason, {}, true});
        }
    }
    report.usable = report.device.has_value() &&
                    std::none_of(report.findings.begin(), report.findings.end(),
                                 [](const Finding& f) { return f.blocksPort; }) &&
                    std::none_of(portFindings.begin(), portFindings.end(),
                                 [](const Finding& f) { return f.blocksPort; });
    addUnique(report.findings, portFindings);

    if (os != HostOs::Windows) {
        // Every cable, not only the chosen port: a second cable on the bench is next.
        for (const PortRow& r : report.ports)
            if (r.cp210x && !r.chosen)
                addUnique(report.findings, checkDeviceNode(in.system, deviceOf(r.port, os)));
    }
    if (os == HostOs::Linux)
        addUnique(report.findings, checkUdevSetup(in.system, cableIds(report.ports)));
    return report;
}

std::string reportText(const DoctorReport& report) {
    std::ostringstream out;
    out << "Serial ports:\n";
    if (report.ports.empty())
        out << "  (none)\n";
    for (const PortRow& r : report.ports) {
        const SSerInfo& p = r.port;
        out << (r.chosen ? "* " : "  ") << p.portName;
        for (const std::string& field : {p.portDescription, p.manufacturer, usbIds(p)})
            if (!field.empty())
                out << "  " << field;
        if (!p.serialNumber.empty())
            out << "  serial " << p.serialNumber;
        if (r.cp210x)
            out << (r.autoPick ? "  [CP210x cable, taken by the automatic search]"
                               : "  [CP210x cable]");
        out << '\n';
    }
    out << report.choice << '\n';
    if (report.findings.empty()) {
        out << "No problem found.\n";
    } else {
        out << "Findings:\n";
        for (const Finding& f : report.findings)
            out << "- " << f.line() << '\n';
    }
    out << (report.usable ? "The cable's port is ready for use.\n"
                          : "No usable cable port was found.\n");
    return out.str();
}

AppearedPort portThatAppeared(const std::vector<SSerInfo>& before,
                              const std::vector<SSerInfo>& after) {
    std::vector<SSerInfo> appeared;
    for (const SSerInfo& p : after)
        if (std::none_of(before.begin(), before.end(),
                         [&](const SSerInfo& b) { return b.portName == p.portName; }))
            appeared.push_back(p);
    if (appeared.size() == 1)
        return {appeared.front(), {}};
    if (appeared.empty())
        return {std::nullopt, "No new port appeared. Unplug the cable, wait a moment, plug it "
                              "in again and try once more; if still none appears, the findings "
                              "tell why."};
    std::vector<SSerInfo> cables;
    std::copy_if(appeared.begin(), appeared.end(), std::back_inserter(cables), isCp210xBridge);
    if (cables.size() == 1)
        return {cables.front(), {}};
    std::string names;
    for (const SSerInfo& p : appeared)
        names += (names.empty() ? "" : ", ") + p.portName;
    return {std::nullopt, "Several ports appeared (" + names +
                              "). Plug in only the programming cable and try again."};
}

} // namespace korvelo::doctor
