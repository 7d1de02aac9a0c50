#include "gui/korvelo_settings.h"

namespace korvelo {

namespace {
const QString kTrafficDock = QStringLiteral("Window/TrafficDockVisible");
}

KorveloSettings::KorveloSettings()
    : settings_(QStringLiteral("Korvelo"), QStringLiteral("Korvelo")) {}

bool KorveloSettings::trafficDockVisible() const {
    return settings_.value(kTrafficDock, false).toBool();
}

void KorveloSettings::setTrafficDockVisible(bool visible) {
    settings_.setValue(kTrafficDock, visible);
}

} // namespace korvelo
