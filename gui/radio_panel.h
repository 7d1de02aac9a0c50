#pragma once
// The top of the bench window: which port is used and how it was chosen, the link, the tuner
// mode, and after a Tuning Init the radio itself (band, memory, audio processor), with its
// firmware version, serial number and country once read ("Identify" reads the three).
#include "radio/radio_state.h"

#include <QGroupBox>
#include <map>

class QLabel;
class QPushButton;

namespace korvelo {

class RadioPanel : public QGroupBox {
    Q_OBJECT
  public:
    RadioPanel(const AppEnv& env, QWidget* parent);

    void refresh();
    QPushButton* identifyButton() const { return identify_; }
    // What a field shows ("Port", "Band", "Audio processor", ...); empty for no such field.
    QString field(const QString& name) const;

  signals:
    void identifyRequested();

  private:
    void setField(const QString& name, const QString& text);

    const AppEnv env_;
    std::map<QString, QLabel*> fields_;
    QPushButton* identify_ = nullptr;
};

// The window title: "Korvelo — 403–447 MHz AK2347, serial KV00012345 — radio", or the file
// the image came from instead of "radio"; "Korvelo" before any image.
QString benchTitle(const Session& session);

} // namespace korvelo
