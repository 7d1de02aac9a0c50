#pragma once
// The one place that knows the profile's keys. The values are stored as the literal strings
// the program reads back: "Yes" / "No" for "AUTO", a port name for "COM".
#include <QSettings>
#include <QString>

namespace korvelo {

class TunerSettings {
  public:
    static constexpr const char* kOrganisation = "Local AppWizard-Generated Applications";
    static constexpr const char* kApplication = "Tuner Tool";
    static constexpr const char* kGroup = "Settings";

    TunerSettings();

    // "AUTO": only the exact text "No" selects the stored port.
    QString autoDetect() const;
    void setAutoDetect(bool on); // writes "Yes" or "No"
    bool isAutoDetect() const { return autoDetect() != QStringLiteral("No"); }

    // "COM": the port chosen in System Configuration.
    QString com() const;
    void setCom(const QString& portName);

    void sync() { settings_.sync(); }

  private:
    QSettings settings_;
};

} // namespace korvelo
