#include "gui/message_box_notifier.h"

#include "link/stop_request.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdio>

namespace korvelo {

namespace {

QMessageBox::Icon boxIcon(Icon icon) {
    switch (icon) {
    case Icon::Information:
        return QMessageBox::Information;
    case Icon::Exclamation:
    case Icon::Warning:
        return QMessageBox::Warning;
    case Icon::Error:
        return QMessageBox::Critical;
    case Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

// The radio's texts use CR-LF line ends.
QString boxText(const std::string& text) {
    QString s = QString::fromStdString(text);
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return s;
}

} // namespace

QWidget* messageParent(QWidget* fallback) {
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    if (QWidget* active = QApplication::activeWindow())
        return active;
    return fallback;
}

MessageBoxNotifier::MessageBoxNotifier(std::function<QWidget*()> fallbackParent)
    : fallbackParent_(std::move(fallbackParent)) {}

void MessageBoxNotifier::notify(const std::string& text, Icon icon) {
    // The program is ending on a signal: no box waits for an answer any more.
    if (stopSignal() != 0) {
        std::fprintf(stderr, "korvelo: %s\n", text.c_str());
        return;
    }
    QWidget* parent = messageParent(fallbackParent_ ? fallbackParent_() : nullptr);
    QMessageBox box(boxIcon(icon), QString::fromLatin1(kMessageCaption), boxText(text),
                    QMessageBox::Ok, parent);
    // So that a port name, a path or an error text can be copied into a report.
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    box.exec();
}

void MessageBoxNotifier::status(const std::string& text) {
    if (statusSink_)
        statusSink_(QString::fromStdString(text));
}

bool askYesNo(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Warning, QString::fromLatin1(kMessageCaption), text,
                    QMessageBox::Yes | QMessageBox::No, messageParent(parent));
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

} // namespace korvelo
