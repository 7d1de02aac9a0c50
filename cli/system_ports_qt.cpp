#include "cli/system_ports.h"

#include "link/qt/profile_port_provider.h"
#include "link/qt/serial_ports.h"
#include "link/qt/tuner_settings.h"

namespace korvelo::cli {

PortEnumeration systemSerialPorts() {
    return enumerateSerialPorts();
}

ProfilePortValues systemProfile() {
    const TunerSettings settings;
    return {settings.autoDetect().toStdString(), settings.com().toStdString()};
}

std::unique_ptr<PortProvider> systemPortProvider() {
    return std::make_unique<ProfilePortProvider>();
}

} // namespace korvelo::cli
