#pragma once
// Korvelo's own options, kept apart from the radio tool's profile in QSettings("Korvelo",
// "Korvelo"): the one place that knows their keys.
#include <QSettings>

namespace korvelo {

class KorveloSettings {
  public:
    KorveloSettings();

    // The traffic dock is shown (View menu); hidden until the user shows it.
    bool trafficDockVisible() const;
    void setTrafficDockVisible(bool visible);

  private:
    QSettings settings_;
};

} // namespace korvelo
