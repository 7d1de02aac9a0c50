#include "app/gui/app_options.h"

#include "link/port_choice.h"

#include <QCommandLineParser>
#include <cstdio>

namespace korvelo {

std::optional<AppOptions> parseAppOptions(const QStringList& arguments, int& exitCode) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Korvelo: alignment tool for analogue FM two-way radios."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption simulator(
        QStringLiteral("simulator"),
        QStringLiteral("Run against a simulated radio (the profile is left untouched)."));
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("Use the serial DEVICE for this run."),
                                  QStringLiteral("DEVICE"));
    const QCommandLineOption trace(
        QStringLiteral("trace"),
        QStringLiteral("Append every frame sent and received, time-stamped, to FILE."),
        QStringLiteral("FILE"));
    const QCommandLineOption screenshot(
        QStringLiteral("screenshot"),
        QStringLiteral("Save pictures of the main window and dialogs to DIR, then quit."),
        QStringLiteral("DIR"));
    parser.addOptions({simulator, port, trace, screenshot});
    if (!parser.parse(arguments)) {
        std::fprintf(stderr, "korvelo: %s\n", qPrintable(parser.errorText()));
        exitCode = 2;
        return std::nullopt;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        exitCode = 0;
        return std::nullopt;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        std::printf("korvelo %s\n", KORVELO_VERSION);
        exitCode = 0;
        return std::nullopt;
    }
    AppOptions options;
    options.simulator = parser.isSet(simulator);
    // A port name as the System Configuration list shows it (ttyUSB0, COM12) opens as that
    // device (/dev/ttyUSB0, \\.\COM12); a path is used as it stands.
    if (parser.isSet(port))
        options.port = QString::fromStdString(
            deviceNameFor(parser.value(port).toStdString(), currentHostOs()));
    options.traceFile = parser.value(trace);
    options.screenshotDir = parser.value(screenshot);
    if (options.simulator && !options.port.isEmpty()) {
        std::fputs("korvelo: --simulator and --port cannot be used together\n", stderr);
        exitCode = 2;
        return std::nullopt;
    }
    return options;
}

} // namespace korvelo
