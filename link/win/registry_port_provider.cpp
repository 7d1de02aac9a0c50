#include "link/win/registry_port_provider.h"

#include "link/comm_channel.h"
#include "link/win/setupapi_ports.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace korvelo {

namespace {

const char* const kSettingsKey = "Software\\Local AppWizard-Generated Applications\\Tuner Tool\\"
                                 "Settings";

std::string readValue(const char* name) {
    char buf[512] = {};
    DWORD size = sizeof buf;
    if (RegGetValueA(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_REG_SZ, nullptr, buf, &size) !=
        ERROR_SUCCESS)
        return {};
    return buf;
}

} // namespace

ProfilePortValues registryProfileValues() {
    return {readValue("AUTO"), readValue("COM")};
}

std::optional<std::string> RegistryPortProvider::choosePort(Notifier& notifier, bool& portFault) {
    return applyPortChoice(
        korvelo::choosePort(registryProfileValues(), setupApiSerialPorts, HostOs::Windows),
        notifier, portFault);
}

std::unique_ptr<Channel> RegistryPortProvider::makeChannel(ReplyObjects& replies) {
    return std::make_unique<CommChannel>(replies);
}

} // namespace korvelo
