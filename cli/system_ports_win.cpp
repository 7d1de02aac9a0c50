#include "cli/system_ports.h"

#include "link/win/registry_port_provider.h"
#include "link/win/setupapi_ports.h"

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

} // namespace korvelo::cli
