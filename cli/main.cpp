// korvelo-cli: the radio data operations from the command line, for service benches that
// script their work. Results on standard output, the operations' messages on standard error.
#include "cli/align_command.h"
#include "cli/cli_commands.h"
#include "cli/cli_options.h"
#include "cli/doctor_command.h"
#include "cli/simulated_radio.h"
#include "cli/stderr_notifier.h"
#include "cli/stop_signals.h"
#include "cli/system_ports.h"
#include "link/clock.h"
#include "link/file_trace.h"
#include "link/port_choice.h"
#include "link/port_provider.h"
#include "link/reply_objects.h"
#include "link/stop_request.h"
#include "radio/link_state.h"
#include "radio/radio_state.h"
#include "radio/safe_exit.h"
#include "radio/tuning_file.h"
#include "testset/dialect.h"
#ifdef KORVELO_RECORD
#include "cli/record_commands.h"
#include "radio/qt/korvelo_settings.h"
#endif
#if defined(KORVELO_RECORD) && defined(_WIN32)
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#endif

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>

using namespace korvelo;
using namespace korvelo::cli;

namespace {

int usageError(const std::string& why) {
    std::cerr << "korvelo-cli: " << why << '\n' << usageText();
    return kExitUsage;
}

// The simulated radio as the options describe it; nothing when --sim-tun is not a tuning file.
std::optional<sim::RadioModel> simulatedRadio(const SimOptions& o) {
    sim::RadioModel model;
    model.radioFlags = o.radioFlags.value_or(0);
    model.radioType = o.radioType;
    model.faults.pace = o.pace;
    model.faults.silent = o.silent;
    switch (o.writes) {
    case SimOptions::Writes::Stored:
        break;
    case SimOptions::Writes::Lost:
        model.faults.writes = sim::WriteFault::Lost;
        break;
    case SimOptions::Writes::Altered:
        model.faults.writes = sim::WriteFault::Altered;
        break;
    case SimOptions::Writes::Unacknowledged:
        model.faults.writes = sim::WriteFault::Unacknowledged;
        break;
    }
    if (!o.tuningFile.empty()) {
        std::ifstream in(o.tuningFile, std::ios::binary);
        if (!in)
            return std::nullopt;
        const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
        const auto record = parseTuningFile(bytes);
        if (!record)
            return std::nullopt;
        if (!o.radioFlags && !record->isAk2347Radio)
            model.radioFlags = sim::RadioModel::kFlagCmx148;
        model.setTuningArea(record->image.bytes());
    }
    return model;
}

// Before the command: PTT off and leave-tuner-mode on every port a run that ended unclean left
// in that state, said on standard error.
void makeSafeAfterUncleanEnd(LinkStateFile& file, ReplyObjects& replies, Clock& clock,
                             Notifier& notifier) {
    for (const LinkStateFile::Left& left : file.leftUnclean()) {
        std::cerr << "korvelo-cli: " << uncleanEndText(left.state)
                  << " Sending PTT off and leave-tuner-mode on " << left.state.port << ".\n";
        FixedPortProvider port(left.state.port);
        Session session;
        const AppEnv env{session, replies, clock, notifier, port};
        if (makeRadioSafe(env))
            std::cerr << "korvelo-cli: the radio on " << left.state.port
                      << " answered the leave-tuner-mode command.\n";
        else
            std::cerr << "korvelo-cli: the radio on " << left.state.port
                      << " did not answer; check that its transmitter is off (korvelo-cli --port "
                      << left.state.port << " leave).\n";
        LinkStateFile::forget(left);
    }
}

// The command's status, unless its results could not be written (a full disk, a closed pipe).
int finished(int status) {
    std::cout.flush();
    if (std::cout)
        return status;
    std::cerr << "korvelo-cli: error: cannot write to standard output\n";
    return kExitFile;
}

} // namespace

int main(int argc, char** argv) {
#if defined(KORVELO_RECORD) && defined(_WIN32)
    // Qt's plugins (the record's SQLite driver) lie beside the program, as deployed; without an
    // application object Qt would look for them only in its own build prefix.
    wchar_t self[MAX_PATH] = {};
    if (const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH); n > 0 && n < MAX_PATH)
        QCoreApplication::addLibraryPath(
            QFileInfo(QString::fromWCharArray(self, static_cast<int>(n))).absolutePath());
#endif
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::cout << usageText();
        return kExitOk;
    }
    const ParseResult parsed = parseCommandLine(args);
    if (!parsed.options)
        return usageError(parsed.error);
    const Options& o = *parsed.options;
    StderrNotifier notifier;

    if (o.command == Command::Dump)
        return finished(dumpCommand(o.files[0], o.radioType, notifier, std::cout));
    if (o.command == Command::Diff)
        return finished(diffCommand(o.files[0], o.files[1], o.radioType, notifier, std::cout));
    if (o.command == Command::UdevRule)
        return finished(udevRuleCommand(std::cout));
    if (o.command == Command::History || o.command == Command::Report) {
#ifdef KORVELO_RECORD
        useKorveloNames(); // the record lies in the program's data folder
        return finished(o.command == Command::History ? historyCommand(o, std::cout, std::cerr)
                                                      : reportCommand(o, std::cout, std::cerr));
#else
        return usageError("this build keeps no alignment record");
#endif
    }
    if (o.command == Command::Doctor) {
        if (o.simulator)
            return usageError("doctor looks at the system's serial ports; --simulator has none");
        return finished(doctorCommand(o.port, std::cout));
    }
    const GuardOptions guard = systemGuardOptions(KORVELO_VERSION);
    if (o.command == Command::Align || o.command == Command::TestsetProbe) {
        // A shop's own test-set families: "testsets" in the program's data folder, beside the
        // backups.
        const auto folder = guard.backupFolder.parent_path() / "testsets";
        if (!guard.backupFolder.empty())
            for (const std::string& problem : testset::useFamilyFolder(folder.string()))
                std::cerr << "korvelo-cli: " << problem << '\n';
    }
    if (o.command == Command::TestsetProbe) {
        watchStopSignals();
        return finished(testsetProbeCommand(o.files[1], o.align.family, notifier, std::cout));
    }
    if (o.command == Command::Backups) {
        std::optional<std::string> serial;
        if (!o.files.empty())
            serial = o.files[0];
        return finished(backupsCommand(guard.backupFolder, serial, std::cout));
    }
    watchStopSignals();

    std::unique_ptr<SimulatedRadio> radio;
    std::unique_ptr<PortProvider> ports;
    PortProvider* chosen = nullptr;
    if (o.simulator) {
        auto model = simulatedRadio(*o.simulator);
        if (!model) {
            std::cerr << "korvelo-cli: " << o.simulator->tuningFile << " is not a tuning file\n";
            return kExitFile;
        }
        radio = std::make_unique<SimulatedRadio>(std::move(*model));
        std::string why;
        if (!radio->start(why)) {
            std::cerr << "korvelo-cli: cannot start the simulated radio: " << why << '\n';
            return kExitRadio;
        }
        chosen = &radio->ports();
    } else if (o.port) {
        // COM12, ttyUSB0 or a path, opened as the program opens a chosen port.
        ports = std::make_unique<FixedPortProvider>(deviceNameFor(*o.port, currentHostOs()));
        chosen = ports.get();
    } else {
        ports = systemPortProvider();
        chosen = ports.get();
    }

    ReplyObjects& replies = processReplies();
    std::unique_ptr<FileFrameTrace> trace;
    if (o.trace) {
        trace = std::make_unique<FileFrameTrace>(*o.trace);
        if (!trace->ok()) {
            std::cerr << "korvelo-cli: cannot write the trace file " << *o.trace << '\n';
            return kExitFile;
        }
        replies.setTrace(trace.get());
    }

    RealClock realClock;
    Clock& clock = radio && radio->clock() ? *radio->clock() : realClock;
    // A real port's radio may have been left keyed or in tuner mode by a run that died; the
    // simulated radio dies with its run.
    std::unique_ptr<LinkStateFile> linkState;
    if (!radio && !guard.backupFolder.empty()) {
        linkState =
            std::make_unique<LinkStateFile>(guard.backupFolder.parent_path() / "link-state");
        makeSafeAfterUncleanEnd(*linkState, replies, clock, notifier);
    }
    Session session;
    session.guard = guard;
    session.linkState = linkState.get();
    const AppEnv env{session, replies, clock, notifier, *chosen};

#ifdef KORVELO_RECORD
    // Commands that read the radio's tuning area are jobs of the alignment record; the job ends
    // with the command.
    std::unique_ptr<CliRecording> recording;
    if (o.record && (o.command == Command::Read || o.command == Command::Verify ||
                     o.command == Command::Restore || o.command == Command::Align))
        recording = std::make_unique<CliRecording>(session);
#endif
    int status = kExitUsage;
    switch (o.command) {
    case Command::Read:
        status = readCommand(env, o.files[0], o.force, o.leave, std::cerr, std::cout);
        break;
    case Command::Info:
        status = infoCommand(env, std::cout);
        break;
    case Command::Reset:
        status = resetCommand(env);
        break;
    case Command::Leave:
        status = leaveCommand(env, std::cout);
        break;
    case Command::Verify:
        status = verifyCommand(env, o.files[0], o.leave, std::cout);
        break;
    case Command::Restore:
        status = restoreCommand(env, o.files[0], o.force, o.leave, std::cout);
        break;
    case Command::Align: {
        AlignOptions align = o.align;
        align.leave = o.leave;
        std::string why;
        if (align.testSet.empty()) {
            const auto address = radio->startTestSet(why, o.simulator->testSetFamily,
                                                     o.simulator->testSetAveragingMs);
            if (!address) {
                std::cerr << "korvelo-cli: cannot serve the simulated test set: " << why << '\n';
                status = kExitRadio;
                break;
            }
            align.testSet = *address;
        }
        status = alignCommand(env, align, std::cout);
        break;
    }
    case Command::Dump:
    case Command::Diff:
    case Command::Doctor:
    case Command::UdevRule:
    case Command::Backups:
    case Command::History:
    case Command::Report:
    case Command::TestsetProbe:
        break;
    }
    if (const int sig = stopSignal()) {
        // The command ended early; its own complaints were about frames it no longer sent.
        const bool left = leaveRadioSafe(env);
        stoppedSafely();
        std::cerr << "korvelo-cli: stopped by signal " << sig << "; "
                  << (left ? "the radio has left tuner mode"
                           : "the radio was not in tuner mode or did not answer")
                  << '\n';
        status = 128 + sig;
    }
    replies.setTrace(nullptr);
    if (radio)
        radio->stop();
    return finished(status);
}
