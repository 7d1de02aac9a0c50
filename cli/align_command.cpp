#include "cli/align_command.h"

#include "cli/cli_commands.h"
#include "link/frame_trace.h"
#include "link/stop_request.h"
#include "radio/radio_utilities.h"
#include "radio/tuning_start.h"
#include "testset/align_ending.h"
#include "testset/align_run.h"
#include "testset/instrument_link.h"
#include "testset/test_set.h"
#include "testset/transport.h"

namespace korvelo::cli {

using namespace korvelo::testset;

int alignCommand(const AppEnv& env, const AlignOptions& o, std::ostream& out) {
    std::string why;
    const auto procs = parseProcedureList(o.procedures, why);
    if (!procs) {
        env.notifier.notify(why, Icon::Exclamation);
        return kExitUsage;
    }
    const Dialect* dialect = nullptr;
    if (o.dialect && !(dialect = dialectById(*o.dialect))) {
        env.notifier.notify("unknown test-set family " + *o.dialect + " (scpi, tree, mnemonic)",
                            Icon::Exclamation);
        return kExitUsage;
    }
    std::optional<BandLimits> fileLimits;
    if (o.limitsFile) {
        LimitsResult r = loadLimitsFile(*o.limitsFile);
        if (!r.limits) {
            env.notifier.notify(r.error, Icon::Exclamation);
            return kExitFile;
        }
        fileLimits = std::move(r.limits);
    }
    const auto conn = parseConnection(o.testSet, why);
    if (!conn) {
        env.notifier.notify(why, Icon::Exclamation);
        return kExitUsage;
    }

    // The test set first: without it the radio is not touched.
    auto transport = makeTransport(*conn);
    RealClock wall; // the instrument's time-outs are real whatever clock the radio runs on
    InstrumentLink link(*transport, wall, LinkTiming{}, [&env](bool sent, std::string_view line) {
        if (FrameTrace* t = env.replies.trace())
            t->instrument(sent, line);
    });
    if (!link.open(why)) {
        env.notifier.notify("Test set: " + why, Icon::Exclamation);
        return kExitRadio;
    }
    ScpiTestSet testSet(link, dialect);
    if (!testSet.identify()) {
        env.notifier.notify("Test set: no answer to *IDN? from " + link.describe(),
                            Icon::Exclamation);
        return kExitRadio;
    }
    out << "Test set: " << testSet.describe() << '\n' << std::flush;

    TuningInit(env, {});
    const Session& s = env.session;
    if (!s.flags.imageLoaded)
        return kExitRadio;
    sayBackup(s, out);
    std::optional<BandLimits> limits = fileLimits ? fileLimits : shippedLimits(s.radioType);
    if (!limits) {
        env.notifier.notify("No limits for radio type " + std::to_string(s.radioType) +
                                "; give a limits file with --limits",
                            Icon::Exclamation);
        return kExitFile;
    }
    out << "Limits: " << (o.limitsFile ? *o.limitsFile : std::string("shipped")) << ", "
        << limits->band << " (version " << limits->version << ")\n"
        << std::flush;

    LoopSettings settings;
    settings.dutyCycle = o.dutyCycle;
    AlignRun run(env, testSet, *limits, settings, *procs, [] { return stopSignal() != 0; });
    if (run.rows().empty()) {
        env.notifier.notify("Nothing to align for this radio", Icon::Exclamation);
        return kExitRadio;
    }
    // The radio leaves tuner mode when asked, whatever the outcome (the run is over either way).
    struct Leave {
        const AppEnv& env;
        bool wanted;
        ~Leave() {
            if (wanted && env.session.flags.inTunerMode)
                LeaveTunerMode(env);
        }
    } leave{env, o.leave};
    run.run([&](int i) {
        out << formatRow(run.rows()[static_cast<std::size_t>(i)]) << '\n' << std::flush;
    });
    recordRunEnding(env.session, run.rows(), stopSignal() != 0);
    for (const AlignRow& r : run.rows())
        if (!r.done)
            out << formatRow(r) << '\n';
    const bool all = run.allPassed();
    out << run.passedCount() << " of " << run.rows().size() << " rows passed\n";
    if (stopSignal() != 0) {
        run.discard();
        out << "Aborted; nothing was programmed.\n";
        return kExitRadio;
    }
    if (!o.program) {
        run.discard();
        out << "Not programmed (--program writes the passed values).\n";
        return all ? kExitOk : kExitRadio;
    }
    if (run.passedCount() == 0) {
        run.discard();
        out << "Nothing passed; nothing was programmed.\n";
        return kExitRadio;
    }
    const bool written = run.program();
    out << (written ? "Programmed the passed values.\n"
                    : "Programming was not confirmed by the radio.\n");
    return all && written ? kExitOk : kExitRadio;
}

} // namespace korvelo::cli
