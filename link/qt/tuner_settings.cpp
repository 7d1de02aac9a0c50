#include "link/qt/tuner_settings.h"

namespace korvelo {

namespace {
const QString kAutoKey = QStringLiteral("AUTO");
const QString kComKey = QStringLiteral("COM");
} // namespace

// Per user: on Windows the registry key Software\<organisation>\<application>\Settings.
TunerSettings::TunerSettings()
    : settings_(QSettings::NativeFormat, QSettings::UserScope, kOrganisation, kApplication) {
    settings_.setFallbacksEnabled(false);
    settings_.beginGroup(kGroup);
}

QString TunerSettings::autoDetect() const {
    return settings_.value(kAutoKey).toString();
}

void TunerSettings::setAutoDetect(bool on) {
    settings_.setValue(kAutoKey, on ? QStringLiteral("Yes") : QStringLiteral("No"));
}

QString TunerSettings::com() const {
    return settings_.value(kComKey).toString();
}

void TunerSettings::setCom(const QString& portName) {
    settings_.setValue(kComKey, portName);
}

} // namespace korvelo
