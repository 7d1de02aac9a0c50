#include "cli/system_ports.h"

#include "link/qt/profile_port_provider.h"
#include "link/qt/serial_ports.h"
#include "link/qt/tuner_settings.h"
#include "radio/qt/korvelo_settings.h"

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

GuardOptions systemGuardOptions(const std::string& programVersion) {
    useKorveloNames();
    return KorveloSettings().guardOptions(QString::fromStdString(programVersion));
}

} // namespace korvelo::cli
