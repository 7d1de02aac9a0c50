#include "testset/align_loop.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace korvelo::testset {

namespace {

// The slope for the next step, from the readings so far (the last one is the present value's):
// once readings lie on both sides of the target, between the nearest on each side (so a curve
// that saturates is not overshot again and again); before that, between the last reading and
// the one before it at another value. A slope of the wrong sign or next to none is noise: the
// guess stays.
double slopeFrom(const std::vector<std::pair<int, double>>& seen, double target, double guess) {
    const std::pair<int, double>* below = nullptr;
    const std::pair<int, double>* above = nullptr;
    for (const auto& p : seen) {
        if (p.second < target && (!below || p.second > below->second))
            below = &p;
        if (p.second > target && (!above || p.second < above->second))
            above = &p;
    }
    const std::pair<int, double>* a = &seen.back();
    const std::pair<int, double>* b = nullptr;
    if (below && above && below->first != above->first) {
        a = below;
        b = above;
    } else {
        for (auto p = seen.rbegin() + 1; p != seen.rend() && !b; ++p)
            if (p->first != a->first)
                b = &*p;
    }
    if (!b)
        return guess;
    const double s = (a->second - b->second) / (a->first - b->first);
    return s * guess > 0 && std::fabs(s) > std::fabs(guess) * 0.05 ? s : guess;
}

} // namespace

std::optional<double> AlignLoop::openingLevel(const Limit& limit) {
    const double start = limit.low - s_.squelchSpanDb;
    const double stop = limit.high + s_.squelchSpanDb;
    auto opens = [&](double level) -> std::optional<bool> {
        // A search takes many levels: a stop is taken between them, not after the last.
        if (aborted() || !testSet_.setGeneratorLevel(level))
            return std::nullopt;
        const auto audio = testSet_.read(Measurement::AudioLevel);
        if (!audio)
            return std::nullopt;
        return *audio > s_.openAudioV;
    };
    // Coarse steps up from below the limits (a radio opened by an earlier level closes there),
    // then fine steps up from the last closed level.
    double closed = start;
    std::optional<double> open;
    for (double level = start; level <= stop + 1e-9; level += s_.coarseStepDb) {
        const auto o = opens(level);
        if (!o)
            return std::nullopt;
        if (*o) {
            open = level;
            break;
        }
        closed = level;
    }
    // Beyond the span the reading saturates; the value still moves the right way.
    if (!open)
        return stop + s_.coarseStepDb;
    if (*open == start)
        return start;
    for (double level = closed + s_.fineStepDb; level < *open - 1e-9; level += s_.fineStepDb) {
        const auto o = opens(level);
        if (!o)
            return std::nullopt;
        if (*o)
            return level;
    }
    return open;
}

std::optional<AlignLoop::Reading> AlignLoop::measure(AlignRadio&, Quantity q, const Limit& limit) {
    if (q == Quantity::SquelchOpening) {
        const auto level = openingLevel(limit);
        if (!level)
            return std::nullopt;
        return Reading{*level, false};
    }
    // Readings until two in a row agree within the tolerance: a reading still moving (an
    // instrument averaging over the last change, a transmitter settling) is not the value's.
    const Measurement m = q == Quantity::Power ? Measurement::Power : Measurement::Deviation;
    std::optional<double> last;
    const int most = std::max(2, s_.maxReadings);
    for (int i = 0; i < most; ++i) {
        const auto v = testSet_.read(m);
        if (!v)
            return std::nullopt;
        if (last && std::fabs(*v - *last) <= limit.tolerance)
            return Reading{(*v + *last) / 2, true};
        last = v;
    }
    return Reading{*last, false};
}

PointResult AlignLoop::run(AlignRadio& radio, Quantity q, const Limit& limit, Response response) {
    PointResult r;
    r.oldValue = radio.storedValue();
    r.newValue = r.oldValue;
    if (broken_ || aborted()) {
        r.outcome = PointOutcome::Aborted;
        r.note = broken_ ? "not run: an earlier row failed to talk" : "aborted";
        return r;
    }
    const bool transmit = q != Quantity::SquelchOpening;
    if (!radio.setUp()) {
        broken_ = true;
        r.note = "the radio did not answer the row set-up";
        radio.unkey();
        return r;
    }
    const bool ready =
        transmit ? testSet_.setAnalyzerFrequency(radio.frequencyHz())
                 : testSet_.setGenerator(radio.frequencyHz(), limit.low - s_.squelchSpanDb) &&
                       testSet_.setGeneratorModulation(1.5) && testSet_.setGeneratorOutput(true);
    if (!ready) {
        broken_ = true;
        r.note = "the test set could not be set up";
        if (const std::string why = testSet_.lastError(); !why.empty())
            r.note += ": " + why;
        return r;
    }

    std::int64_t keyedAt = 0;
    if (transmit) {
        keyedAt = clock_.nowMs();
        if (!radio.key()) {
            broken_ = true;
            r.note = "the radio did not answer PTT on";
            radio.unkey();
            return r;
        }
    }

    // A reading counts only when taken this long after the last value change.
    const int fresh = std::max(s_.settleMs, testSet_.freshAfterMs());
    // Readings so far, value and reading; the slope comes from the last two at different
    // values.
    std::vector<std::pair<int, double>> seen;
    int v = r.oldValue;
    bool confirmed = false; // the last reading: two agreeing, fresh, at r.newValue
    bool converged = false;
    bool aborting = false;
    for (int it = 0; it < s_.maxIterations; ++it) {
        if (aborted()) {
            aborting = true;
            break;
        }
        if (!radio.setValue(v)) {
            broken_ = true;
            r.note = "the radio did not answer the value";
            break;
        }
        const std::int64_t changedAt = rest().nowMs();
        rest().sleepMs(fresh);
        if (const std::int64_t early = changedAt + fresh - rest().nowMs(); early > 0)
            rest().sleepMs(static_cast<int>(early));
        if (aborted()) {
            aborting = true;
            break;
        }
        const auto m = measure(radio, q, limit);
        if (!m) {
            broken_ = true;
            r.note = "the test set gave no reading";
            if (const std::string why = testSet_.lastError(); !why.empty())
                r.note += ": " + why;
            r.reading.reset();
            confirmed = false;
            break;
        }
        // A reading taken after the watchdog unkeyed is no reading of the transmitter.
        if (transmit && !radio.stillKeyed()) {
            r.note = "the transmit watchdog unkeyed the radio";
            r.reading.reset();
            confirmed = false;
            break;
        }
        ++r.iterations;
        r.steps.push_back({v, m->value});
        if (onStep_)
            onStep_(r.steps.back());
        // The opening level is confirmed by the same level found again at the same value.
        const bool again = !transmit && !seen.empty() && seen.back().first == v &&
                           std::fabs(seen.back().second - m->value) <= limit.tolerance;
        confirmed = transmit ? m->confirmed : again;
        r.reading = m->value;
        r.newValue = v;
        if (limit.converged(m->value)) {
            if (confirmed) {
                converged = true;
                break;
            }
            seen.emplace_back(v, m->value);
            continue; // read again at this value
        }
        seen.emplace_back(v, m->value);
        if (!m->confirmed && transmit)
            continue; // a reading still moving gives no slope: read again at this value
        const double slope = slopeFrom(seen, limit.target, response.slopePerStep);
        const double dv = (limit.target - m->value) / slope;
        long step = std::lround(dv);
        if (step == 0)
            step = dv > 0 ? 1 : -1;
        step = std::clamp<long>(step, -s_.maxStep, s_.maxStep);
        const int next = static_cast<int>(std::clamp<long>(v + step, 0, radio.maxValue()));
        if (next == v) {
            r.note = "the value is at the end of its range";
            break;
        }
        v = next;
    }

    // Unkeyed whatever happened above.
    if (transmit) {
        const bool off = radio.unkey();
        r.keyedMs = clock_.nowMs() - keyedAt;
        if (!off) {
            broken_ = true;
            r.note = "the radio did not confirm PTT off";
        }
    } else {
        testSet_.setGeneratorOutput(false);
    }

    if (aborting || aborted()) {
        r.outcome = PointOutcome::Aborted;
        r.note = "aborted";
        return r;
    }
    // PASS: a fresh reading at the value that stays, confirmed, within the limits.
    if (!broken_ && r.reading && confirmed && limit.passes(*r.reading)) {
        r.outcome = PointOutcome::Pass;
        r.note.clear();
    } else if (r.note.empty()) {
        r.note = converged   ? "outside the limits"
                 : r.reading ? (confirmed ? "iteration limit reached"
                                          : "the reading did not settle (two readings disagree)")
                             : "iteration limit reached";
    }
    if (transmit && s_.dutyCycle > 0 && s_.dutyCycle < 1)
        rest().sleepMs(
            static_cast<int>(static_cast<double>(r.keyedMs) * (1 - s_.dutyCycle) / s_.dutyCycle));
    return r;
}

} // namespace korvelo::testset
