#pragma once
// "Using Help": the user manual, an HTML page named after the program.
#include <QObject>
#include <QString>
#include <functional>

class QUrl;

namespace korvelo {

class Notifier;

inline constexpr const char* kManualFile = "Korvelo.html";

// The manual beside the installed program first, then in the current directory; empty when
// there is none.
QString findManual(const QString& programDir, const QString& currentDir);

// Opens the manual in the user's browser. A missing manual reports nothing; a manual that no
// program could be started for is named, so it can be opened by hand.
using UrlOpener = std::function<bool(const QUrl&)>;
void openManual(Notifier& notifier, const QString& programDir, const QString& currentDir,
                const UrlOpener& open);
void openManual(Notifier& notifier);

// The manual's page for a window, by the window's title; the manual's first page for the main
// window and anything not listed.
QString manualPageFor(const QString& windowTitle);
// The same, at that page (the first page when it is missing).
void openManual(Notifier& notifier, const QString& page, const UrlOpener& open);

// F1 anywhere in the program, modal dialogs included: the manual at the page of the window
// that has the focus. Installed on the application.
class HelpKey : public QObject {
  public:
    HelpKey(Notifier& notifier, UrlOpener open, QObject* parent = nullptr);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    Notifier& notifier_;
    UrlOpener open_;
};

} // namespace korvelo
