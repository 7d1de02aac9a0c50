#include "link/qt/profile_port_provider.h"

#include "link/qt/serial_ports.h"
#include "link/qt/tuner_settings.h"

namespace korvelo {

ProfilePortProvider::ProfilePortProvider(std::function<PortEnumeration()> enumerate)
    : enumerate_(enumerate ? std::move(enumerate) : enumerateSerialPorts) {}

std::optional<std::string> ProfilePortProvider::choosePort(Notifier& notifier, bool& portFault) {
    const TunerSettings settings;
    const ProfilePortValues profile{settings.autoDetect().toStdString(),
                                    settings.com().toStdString()};
    return applyPortChoice(korvelo::choosePort(profile, enumerate_, currentHostOs()), notifier,
                           portFault);
}

std::string ProfilePortProvider::howChosen() const {
    return TunerSettings().isAutoDetect() ? "automatic search" : "System Configuration";
}

// The real serial channel, the same one a fixed port uses.
std::unique_ptr<Channel> ProfilePortProvider::makeChannel(ReplyObjects& replies) {
    return FixedPortProvider(std::string()).makeChannel(replies);
}

} // namespace korvelo
