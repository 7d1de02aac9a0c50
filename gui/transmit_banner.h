#pragma once
// The red bar a page or Auto Align shows while it has the transmitter keyed: the word
// TRANSMITTING (colour is never the only cue), what is on the air, and the watchdog's time left
// where there is one. Hidden while the transmitter is not keyed.
#include <QLabel>
#include <optional>

namespace korvelo {

class TransmitBanner : public QLabel {
    Q_OBJECT
  public:
    explicit TransmitBanner(QWidget* parent = nullptr);

    // what: "150.00000 MHz, High Power"; secondsLeft: until the watchdog unkeys, if it can.
    void showKeyed(const QString& what, std::optional<int> secondsLeft = std::nullopt);
    // A PTT off the radio did not confirm: the transmitter may still be on.
    void showUncertain();
    void showUnkeyed();
};

} // namespace korvelo
