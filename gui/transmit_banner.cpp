#include "gui/transmit_banner.h"

namespace korvelo {

TransmitBanner::TransmitBanner(QWidget* parent) : QLabel(parent) {
    setAccessibleName(QStringLiteral("Transmitting"));
    setAlignment(Qt::AlignCenter);
    setWordWrap(true);
    setMargin(6);
    setStyleSheet(QStringLiteral(
        "QLabel { background: #D00000; color: white; font-weight: bold; border-radius: 3px; }"));
    QFont f = font();
    f.setPointSizeF(f.pointSizeF() * 1.2);
    setFont(f);
    hide();
}

void TransmitBanner::showKeyed(const QString& what, std::optional<int> secondsLeft) {
    setAccessibleName(QStringLiteral("Transmitting"));
    QString text = QStringLiteral("TRANSMITTING");
    if (!what.isEmpty())
        text += QStringLiteral(" \u2014 ") + what;
    if (secondsLeft)
        // Kept together when the bar wraps.
        text += QStringLiteral(" \u2014 unkeys\u00a0in\u00a0%1\u00a0s").arg(*secondsLeft);
    if (this->text() != text) {
        setText(text);
        setAccessibleDescription(text);
    }
    show();
}

void TransmitBanner::showUncertain() {
    const QString text =
        QStringLiteral("TRANSMITTER MAY STILL BE ON — the radio did not confirm PTT off");
    setAccessibleName(QStringLiteral("Transmitter may be on"));
    if (this->text() != text) {
        setText(text);
        setAccessibleDescription(text);
    }
    show();
}

void TransmitBanner::showUnkeyed() {
    hide();
    clear();
    setAccessibleDescription(QString());
}

} // namespace korvelo
