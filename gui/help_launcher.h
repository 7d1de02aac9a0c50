#pragma once
// "Using Help": the user manual, an HTML page named after the program.
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

} // namespace korvelo
