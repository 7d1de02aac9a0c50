#include "cli/system_ports.h"

#include "link/win/registry_port_provider.h"
#include "link/win/setupapi_ports.h"

#include <cstdlib>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace korvelo::cli {

PortEnumeration systemSerialPorts() {
    return setupApiSerialPorts();
}

ProfilePortValues systemProfile() {
    return registryProfileValues();
}

std::unique_ptr<PortProvider> systemPortProvider() {
    return std::make_unique<RegistryPortProvider>();
}

namespace {

// Korvelo's settings where its Qt programs keep them: HKCU\Software\Korvelo\Korvelo, as text.
std::string korveloValue(const char* name) {
    char buf[64] = {};
    DWORD size = sizeof buf;
    if (RegGetValueA(HKEY_CURRENT_USER, "Software\\Korvelo\\Korvelo", name, RRF_RT_REG_SZ, nullptr,
                     buf, &size) != ERROR_SUCCESS)
        return {};
    return buf;
}

} // namespace

GuardOptions systemGuardOptions(const std::string& programVersion) {
    GuardOptions o;
    o.backups = korveloValue("Backups") != "false";
    o.verifyAfterWrite = korveloValue("VerifyAfterWrite") != "false";
    const std::string limit = korveloValue("TransmitLimitSeconds");
    if (!limit.empty())
        o.transmitLimitS = GuardOptions::clampTransmitLimit(std::atoi(limit.c_str()));
    o.programVersion = programVersion;
    // The Qt programs' data folder: %APPDATA%\Korvelo\Korvelo.
    if (const wchar_t* appData = _wgetenv(L"APPDATA"))
        o.backupFolder = std::filesystem::path(appData) / L"Korvelo" / L"Korvelo" / L"backups";
    return o;
}

} // namespace korvelo::cli
