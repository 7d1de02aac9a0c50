#pragma once
// "Using Help": the user manual, an HTML page named after the program.
#include <QString>

namespace korvelo {

inline constexpr const char* kManualFile = "Korvelo.html";

// The manual beside the installed program first, then in the current directory; empty when
// there is none.
QString findManual(const QString& programDir, const QString& currentDir);

// Opens the manual in the user's browser. A missing manual reports nothing.
void openManual();

} // namespace korvelo
