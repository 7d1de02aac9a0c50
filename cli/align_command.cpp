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

std::string familyIds() {
    std::string ids;
    for (const Family& f : families())
        ids += (ids.empty() ? "" : ", ") + f.id;
    return ids;
}

int testsetProbeCommand(const std::string& connection, const std::optional<std::string>& familyId,
                        Notifier& notifier, std::ostream& out) {
    const Family* family = nullptr;
    if (familyId && !(family = familyById(*familyId))) {
        notifier.notify("unknown test-set family " + *familyId + " (" + familyIds() + ")",
                        Icon::Exclamation);
        return kExitUsage;
    }
    RealClock wall;
    const ProbeResult r = probeTestSet(connection, family, wall, [] { return stopSignal() != 0; });
    if (!r.family.empty())
        out << "Family: " << r.family << " (" << r.familyId << ")\n";
    if (!r.identity.empty())
        out << "Identity: " << r.identity << '\n';
    if (r.powerW)
        out << "Power: " << *r.powerW << " W\n";
    if (!r.ok) {
        notifier.notify("Test set: " + r.message, Icon::Exclamation);
        return kExitRadio;
    }
    out << "The test set answered.\n";
    return kExitOk;
}

int alignCommand(const AppEnv& env, const AlignOptions& o, std::ostream& out) {
    std::string why;
    const auto procs = parseProcedureList(o.procedures, why);
    if (!procs) {
        env.notifier.notify(why, Icon::Exclamation);
        return kExitUsage;
    }
    const Family* family = nullptr;
    if (o.family && !(family = familyById(*o.family))) {
        env.notifier.notify("unknown test-set family " + *o.family + " (" + familyIds() + ")",
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
    if (family)
        link.useFamily(*family);
    if (!link.open(why, [] { return stopSignal() != 0; })) {
        env.notifier.notify("Test set: " + why, Icon::Exclamation);
        return kExitRadio;
    }
    // Identified before the radio is touched, let alone keyed.
    InstrumentTestSet testSet(link, family);
    if (!testSet.identify()) {
        env.notifier.notify("Test set: " + testSet.lastError(), Icon::Exclamation);
        return kExitRadio;
    }
    out << "Test set: " << testSet.describe() << '\n' << std::flush;

    TuningInit(env, {});
    const Session& s = env.session;
    if (!s.flags.imageLoaded)
        return kExitRadio;
    // The radio leaves tuner mode when asked, whatever the outcome.
    struct Leave {
        const AppEnv& env;
        bool wanted;
        ~Leave() {
            if (wanted && env.session.flags.inTunerMode)
                LeaveTunerMode(env);
        }
    } leave{env, o.leave};
    sayBackup(s, out);
    if (fileLimits) {
        // Another band's targets would be aligned to and programmed.
        if (const std::string refusal = bandRefusal(*fileLimits, s.radioType); !refusal.empty()) {
            env.notifier.notify(*o.limitsFile + ": " + refusal, Icon::Exclamation);
            return kExitUsage;
        }
    }
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
    run.run([&](int i) {
        out << formatRow(run.rows()[static_cast<std::size_t>(i)]) << '\n' << std::flush;
    });
    recordRunEnding(env.session, run.ending());
    for (const AlignRow& r : run.rows())
        if (!r.done) // no values of its own: nothing was read or changed for it
            out << r.name << "  not run\n";
    const bool all = run.allPassed();
    out << run.passedCount() << " of " << run.rows().size() << " rows passed\n";
    // The last line says how the run ended.
    const auto ended = [&](int status) {
        out << "Alignment " << run.ending().text() << ".\n";
        return status;
    };
    if (run.ending().kind == RunEnding::Kind::Aborted || stopSignal() != 0) {
        run.discard();
        out << "Nothing was programmed.\n";
        return ended(kExitRadio);
    }
    if (!o.program) {
        run.discard();
        out << "Not programmed (--program writes the passed values).\n";
        return ended(all ? kExitOk : kExitRadio);
    }
    if (run.passedCount() == 0) {
        run.discard();
        out << "Nothing passed; nothing was programmed.\n";
        return ended(kExitRadio);
    }
    const bool written = run.program();
    out << (written ? "Programmed the passed values.\n"
                    : "Programming was not confirmed by the radio.\n");
    return ended(all && written ? kExitOk : kExitRadio);
}

} // namespace korvelo::cli
