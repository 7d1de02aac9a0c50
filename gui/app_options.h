#pragma once
// The program's command line.
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

namespace korvelo {

struct AppOptions {
    bool simulator = false; // serve a simulated radio on a pseudo-terminal for this run
    QString port;           // use this serial device for this run (a device name)
    QString traceFile;      // append every frame sent and received
    QString screenshotDir;  // grab the main window and the set-up picture, then quit
    QString tuningFile;     // a tuning file to open at start (double-clicked in the file manager)
    // The simulated radio's kind, for training on other radios: radio type (band) and
    // radio-flags byte (0x10 256-block memory, 0x20 CMX148).
    std::optional<std::uint8_t> simType;
    std::optional<std::uint8_t> simFlags;
    // The simulated test set: its instrument family and how long its readings average over.
    QString testSetFamily = QStringLiteral("scpi");
    int testSetAveragingMs = 0;
};

// The options, or nothing after the parser has printed its message (usage error or --help).
std::optional<AppOptions> parseAppOptions(const QStringList& arguments, int& exitCode);

} // namespace korvelo
