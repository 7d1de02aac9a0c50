// korvelo: the alignment tool's main program.
#include "gui/app_options.h"
#include "gui/bench_record.h"
#include "gui/command_ids.h"
#include "gui/connection_doctor_dialog.h"
#include "gui/gui_clock.h"
#include "gui/help_launcher.h"
#include "gui/info_dialogs.h"
#include "gui/main_window.h"
#include "gui/message_box_notifier.h"
#include "gui/options_dialog.h"
#include "gui/page_dialogs.h"
#include "gui/serial_comm_dialog.h"
#include "gui/shell_commands.h"
#include "gui/stop_signal_watch.h"
#include "link/file_trace.h"
#include "link/qt/profile_port_provider.h"
#include "link/qt/serial_ports.h"
#include "link/traced_clock.h"
#include "radio/link_state.h"
#include "radio/qt/korvelo_settings.h"
#ifdef _WIN32
#include "sim/sim_port.h"
#else
#include "sim/pty_radio.h"
#include "sim/testset_server.h"
#endif

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QMenuBar>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>
#include <cstdio>
#include <memory>
#include <string_view>

using namespace korvelo;

namespace {

void savePicture(QWidget& widget, const QString& dir, const QString& name) {
    widget.grab().save(QDir(dir).filePath(name + QStringLiteral(".png")));
}

// Pictures for the manual and for checking the layout by eye.
void takeScreenshots(MainWindow& window, const QString& dir) {
    QDir().mkpath(dir);
    QCoreApplication::processEvents();
    savePicture(window, dir, QStringLiteral("main_window"));
    int n = 0;
    for (QAction* top : window.menuBar()->actions()) {
        QMenu* menu = top->menu();
        if (!menu)
            continue;
        menu->popup(window.mapToGlobal(QPoint(0, 0)));
        QCoreApplication::processEvents();
        savePicture(*menu, dir, QStringLiteral("menu_%1").arg(++n));
        menu->hide();
    }
    auto dialog = [&](QDialog&& d, const QString& name) {
        d.show();
        QCoreApplication::processEvents();
        savePicture(d, dir, name);
        d.hide();
    };
    dialog(CRadioSetupDlg(&window), QStringLiteral("radio_setup"));
    dialog(CSerialCommDlg(&window), QStringLiteral("system_configuration"));
    dialog(CAboutDlg(&window), QStringLiteral("about"));
    dialog(OptionsDialog(window.env().session.guard, &window), QStringLiteral("options"));
    dialog(
        ConnectionDoctorDialog(ConnectionDoctorDialog::systemGatherer(window.runPort()), &window),
        QStringLiteral("connection_doctor"));
}

// --help and --version print and end; they need no display.
bool onlyPrints(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a == "--help" || a == "-h" || a == "--help-all" || a == "--version" || a == "-v")
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    if (onlyPrints(argc, argv)) {
        QCoreApplication core(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("Korvelo"));
        QCoreApplication::setApplicationVersion(QStringLiteral(KORVELO_VERSION));
        int exitCode = 0;
        const auto options = parseAppOptions(core.arguments(), exitCode);
        return options ? 0 : exitCode;
    }
    QApplication app(argc, argv);
    useKorveloNames();
    QApplication::setApplicationVersion(QStringLiteral(KORVELO_VERSION));

    int exitCode = 0;
    const std::optional<AppOptions> options = parseAppOptions(app.arguments(), exitCode);
    if (!options)
        return exitCode;

    GuiClock guiClock;
    Clock* radioClock = &guiClock;
    QString fixedPort = options->port;
#ifdef _WIN32
    // Windows has no pseudo-terminal: the simulated radio answers on the in-memory transport,
    // on its own virtual clock, and there is no simulated test set. Both outlive the port.
    sim::RadioModel simModel;
    VirtualClock simClock;
    std::unique_ptr<PortProvider> ports;
    if (options->simulator) {
        simModel.radioType = options->simType.value_or(simModel.radioType);
        simModel.radioFlags = options->simFlags.value_or(simModel.radioFlags);
        ports = std::make_unique<sim::SimPortProvider>(simModel, simClock);
        radioClock = &simClock;
    }
    const std::string testSetAddress;
#else
    std::unique_ptr<PortProvider> ports;
    // The simulated radio serves a pseudo-terminal from its own thread for this run.
    std::unique_ptr<sim::PtyRadio> simulated;
    std::unique_ptr<sim::TestSetServer> simulatedTestSet;
    if (options->simulator) {
        simulated = std::make_unique<sim::PtyRadio>();
        // Answers leave at the real line rate, so the program feels as it will on the bench.
        simulated->withModel([&options](sim::RadioModel& model) {
            model.faults.pace = true;
            model.radioType = options->simType.value_or(model.radioType);
            model.radioFlags = options->simFlags.value_or(model.radioFlags);
        });
        std::string error;
        if (!simulated->start(&error)) {
            std::fprintf(stderr, "korvelo: the simulated radio could not be started: %s\n",
                         error.c_str());
            return 1;
        }
        fixedPort = QString::fromStdString(simulated->devicePath());
        // The simulated test set that measures it, for Auto Align.
        sim::SimTestSetOptions testSetOptions;
        testSetOptions.family = options->testSetFamily.toStdString();
        testSetOptions.averagingMs = options->testSetAveragingMs;
        if (!sim::isSimulatedFamily(testSetOptions.family)) {
            std::fprintf(stderr, "korvelo: no simulated test set of family %s\n",
                         testSetOptions.family.c_str());
            return 2;
        }
        simulatedTestSet = std::make_unique<sim::TestSetServer>(*simulated, testSetOptions);
        if (!simulatedTestSet->start(0, &error)) {
            std::fprintf(stderr, "korvelo: the simulated test set could not be started: %s\n",
                         error.c_str());
            simulatedTestSet.reset();
        }
    }
    const std::string testSetAddress =
        simulatedTestSet ? simulatedTestSet->address() : std::string();
#endif
    if (!ports && !fixedPort.isEmpty())
        ports = std::make_unique<FixedPortProvider>(
            fixedPort.toStdString(), options->simulator ? "simulated radio" : "--port");
    else if (!ports)
        ports = std::make_unique<ProfilePortProvider>();

    ReplyObjects& replies = processReplies();
    std::unique_ptr<FileFrameTrace> trace;
    if (!options->traceFile.isEmpty()) {
        trace = std::make_unique<FileFrameTrace>(options->traceFile.toStdString());
        if (!trace->ok()) {
            std::fprintf(stderr, "korvelo: cannot write the trace file %s\n",
                         qPrintable(options->traceFile));
            return 1;
        }
    }

    // Pauses and waits without a reply show in the traffic dock between the frames.
    TracedClock clock(*radioClock, replies);
    MainWindow* mainWindow = nullptr;
    MessageBoxNotifier notifier([&mainWindow] { return static_cast<QWidget*>(mainWindow); });
    Session session;
    AppEnv env{session, replies, clock, notifier, *ports};
    if (options->screenshotDir.isEmpty())
        session.guard = KorveloSettings().guardOptions(QStringLiteral(KORVELO_VERSION));

    // With a port given for the run there is nothing to search for at start.
    std::function<void(AppEnv&)> startupScan;
    if (fixedPort.isEmpty() && !options->simulator) {
        startupScan = searchForCable;
    }

    MainWindow window(env, startupScan);
    mainWindow = &window;
    // Every radio read is a job of the alignment record (not for the screenshots' walk).
    std::unique_ptr<BenchRecord> benchRecord;
    if (options->screenshotDir.isEmpty()) {
        benchRecord = std::make_unique<BenchRecord>(session, KorveloSettings::recordFile(),
                                                    KorveloSettings().shopDatabase());
        window.setBenchRecord(benchRecord.get());
    }
    // Every frame goes to the traffic dock, and to the trace file when one was given.
    std::unique_ptr<TraceTee> both;
    if (trace) {
        both = std::make_unique<TraceTee>(*trace, window.trafficLog());
        replies.setTrace(both.get());
    } else {
        replies.setTrace(&window.trafficLog());
    }
    notifier.setStatusSink([&window](const QString& text) { window.showProgress(text); });
    window.setRunPort(fixedPort);
    registerPageDialogs(window.commands(), testSetAddress);
    HelpKey helpKey(notifier, [](const QUrl& url) { return QDesktopServices::openUrl(url); });
    app.installEventFilter(&helpKey);
    window.show();
    window.startUp();
    // A run that died may have left a real port's radio keyed or in tuner mode.
    std::unique_ptr<LinkStateFile> linkState;
    if (!options->simulator && options->screenshotDir.isEmpty() &&
        !session.guard.backupFolder.empty()) {
        linkState = std::make_unique<LinkStateFile>(session.guard.backupFolder.parent_path() /
                                                    "link-state");
        offerUncleanEndRecovery(window, *linkState);
        session.linkState = linkState.get();
    }
    if (benchRecord && !benchRecord->recorder().error().isEmpty())
        notifier.notify("The alignment record is not kept: " +
                            benchRecord->recorder().error().toStdString(),
                        Icon::Exclamation);
    StopSignalWatch stopWatch([&window](int signal) { window.stopOnSignal(signal); });

    if (!options->screenshotDir.isEmpty()) {
        // The dialogs read (and on first start write) the profile; keep the user's out of it.
        QStandardPaths::setTestModeEnabled(true);
        takeScreenshots(window, options->screenshotDir);
        replies.setTrace(nullptr);
        return 0;
    }
    // A tuning file given on the command line (a double-clicked .tun) opens as File > Open would.
    if (!options->tuningFile.isEmpty()) {
        QTimer::singleShot(0, &window, [&window, file = options->tuningFile] {
            const TuningFileDialogs asked = window.tuningFileDialogs();
            TuningFileDialogs given = asked;
            given.openName = [file](QWidget*) { return file; };
            window.setTuningFileDialogs(given);
            window.runCommand(cmd::FileOpen);
            window.setTuningFileDialogs(asked);
        });
    }
    const int result = app.exec();
    session.linkState = nullptr; // a clean end: its file goes with it
    window.setBenchRecord(nullptr);
    benchRecord.reset(); // the job under way ends and is written
    replies.setTrace(nullptr);
#ifndef _WIN32
    if (simulatedTestSet)
        simulatedTestSet->stop();
    if (simulated)
        simulated->stop();
#endif
    return result;
}
