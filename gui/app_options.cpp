#include "gui/app_options.h"

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
    const QCommandLineOption simType(
        QStringLiteral("sim-type"),
        QStringLiteral("With --simulator: the radio type (band), 0 to 255; default 0."),
        QStringLiteral("N"));
    const QCommandLineOption simFlags(
        QStringLiteral("sim-flags"),
        QStringLiteral("With --simulator: the radio-flags byte (0x10 256-block memory, 0x20 "
                       "CMX148); default 0."),
        QStringLiteral("N"));
    const QCommandLineOption testSetFamily(
        QStringLiteral("testset-family"),
        QStringLiteral("With --simulator: the simulated test set's family (scpi, hp8920, "
                       "ifr2975, viavi8800, r8000, r2670); default scpi."),
        QStringLiteral("ID"));
    const QCommandLineOption testSetAveraging(
        QStringLiteral("testset-averaging"),
        QStringLiteral("With --simulator: the simulated test set averages its readings over MS "
                       "milliseconds (a slow meter); default 0."),
        QStringLiteral("MS"));
    parser.addOptions(
        {simulator, port, trace, screenshot, simType, simFlags, testSetFamily, testSetAveraging});
    parser.addPositionalArgument(QStringLiteral("file"),
                                 QStringLiteral("A tuning file (.tun) to open at start."),
                                 QStringLiteral("[FILE.tun]"));
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
    if (parser.isSet(testSetFamily))
        options.testSetFamily = parser.value(testSetFamily);
    if (parser.isSet(testSetAveraging)) {
        bool ok = false;
        options.testSetAveragingMs = parser.value(testSetAveraging).toInt(&ok);
        if (!ok || options.testSetAveragingMs < 0 || options.testSetAveragingMs > 60000) {
            std::fprintf(stderr, "korvelo: --testset-averaging needs milliseconds 0..60000\n");
            exitCode = 2;
            return std::nullopt;
        }
    }
    options.screenshotDir = parser.value(screenshot);
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        std::fputs("korvelo: give one tuning file to open\n", stderr);
        exitCode = 2;
        return std::nullopt;
    }
    if (!files.isEmpty())
        options.tuningFile = files.constFirst();
    // Decimal or 0x-prefixed, one byte.
    const auto byteOption = [&](const QCommandLineOption& o, std::optional<std::uint8_t>& out) {
        if (!parser.isSet(o))
            return true;
        bool ok = false;
        const uint value = parser.value(o).toUInt(&ok, 0);
        if (!ok || value > 255) {
            std::fprintf(stderr, "korvelo: --%s needs a number from 0 to 255\n",
                         qPrintable(o.names().constFirst()));
            return false;
        }
        out = static_cast<std::uint8_t>(value);
        return true;
    };
    if (!byteOption(simType, options.simType) || !byteOption(simFlags, options.simFlags)) {
        exitCode = 2;
        return std::nullopt;
    }
    if ((options.simType || options.simFlags) && !options.simulator) {
        std::fputs("korvelo: --sim-type and --sim-flags go with --simulator\n", stderr);
        exitCode = 2;
        return std::nullopt;
    }
    if (options.simulator && !options.port.isEmpty()) {
        std::fputs("korvelo: --simulator and --port cannot be used together\n", stderr);
        exitCode = 2;
        return std::nullopt;
    }
    return options;
}

} // namespace korvelo
