#include "testset/align_run.h"

#include "radio/image_record.h"

#include "softpot/engine/softpot_group.h"
#include "softpot/engine/tab_host.h"
#include "softpot/softpot_pages.h"

#include <cmath>
#include <cstdio>

namespace korvelo::testset {

namespace {

// Counts the messages of the engine's operations (and passes them on), so that a radio that
// stopped answering ends the run instead of a row being searched against silence.
class CountingNotifier : public Notifier {
  public:
    explicit CountingNotifier(Notifier& inner) : inner_(inner) {}
    void notify(const std::string& text, Icon icon) override {
        ++count;
        inner_.notify(text, icon);
    }
    void status(const std::string& text) override { inner_.status(text); }
    int count = 0;

  private:
    Notifier& inner_;
};

// One row of a page, driven the way the technician drives it: the scroll bar moved and let go
// (the row set-up on a new row, the live value afterwards), "PTT Toggle".
class EngineRadio : public AlignRadio {
  public:
    EngineRadio(SoftpotGroup& page, int row, Session& session, CountingNotifier& notices,
                std::function<void(bool)> keying)
        : page_(page), row_(row), session_(session), notices_(notices), keying_(std::move(keying)) {
    }
    ~EngineRadio() override { told(); }

    bool setUp() override { return commit(storedValue()); }
    bool key() override {
        const int before = notices_.count;
        if (!page_.keyed())
            page_.pttToggle();
        told();
        return page_.keyed() && notices_.count == before;
    }
    bool unkey() override {
        const int before = notices_.count;
        if (page_.keyed())
            page_.pttToggle();
        told();
        return !page_.keyed() && !session_.transmitterMayBeOn && notices_.count == before;
    }
    bool setValue(int value) override { return commit(value); }
    int storedValue() const override { return session_.image[desc().imageByte]; }
    int maxValue() const override { return page_.page().scale.max; }
    double frequencyHz() const override { return frequencyTextToHz(page_.row(row_).frequencyText); }
    bool stillKeyed() override {
        page_.tick();
        told();
        return page_.keyed();
    }

  private:
    // Tells the keyed state whenever it has changed (also when the radio may still transmit).
    void told() {
        const bool on = page_.keyed() || session_.transmitterMayBeOn;
        if (on != toldOn_ && keying_)
            keying_(on);
        toldOn_ = on;
    }
    const RowSpec& desc() const { return *page_.row(row_).desc; }
    bool commit(int value) {
        const int before = notices_.count;
        page_.scroll(row_, ScrollCode::ThumbPosition, value);
        page_.endScroll(row_);
        return notices_.count == before && !session_.flags.portFault;
    }

    SoftpotGroup& page_;
    int row_;
    Session& session_;
    CountingNotifier& notices_;
    std::function<void(bool)> keying_;
    bool toldOn_ = false;
};

} // namespace

struct AlignRun::Dialog {
    Dialog(const AppEnv& env, const Procedure& p)
        : notices(env.notifier), env{env.session, env.replies, env.clock, notices, env.ports},
          procedure(&p) {
        if (const TabHostSpec* h = p.host ? p.host(env.session) : nullptr)
            host = std::make_unique<SoftpotTabHost>(this->env, *h);
        else if (const PageSpec* pg = p.page ? p.page(env.session) : nullptr)
            single = std::make_unique<SoftpotGroup>(this->env, *pg);
    }
    int tabs() const { return host ? TabHostSpec::kTabs : single ? 1 : 0; }
    SoftpotGroup& page(int tab) { return host ? host->page(tab) : *single; }
    void open() {
        if (opened)
            return;
        opened = true;
        if (host)
            host->open();
        else
            single->open();
    }
    void enterTab(int tab) {
        if (host && host->current() != tab)
            host->selectTab(tab);
    }
    void program() {
        if (host)
            host->program();
        else
            single->program();
    }
    void close() {
        if (!opened)
            return;
        opened = false;
        if (host)
            host->close([](const std::string&) { return CloseChoice::Discard; });
        else
            single->close();
    }

    CountingNotifier notices;
    AppEnv env;
    const Procedure* procedure;
    std::unique_ptr<SoftpotTabHost> host;
    std::unique_ptr<SoftpotGroup> single;
    bool opened = false;
};

AlignRun::AlignRun(const AppEnv& env, TestSet& testSet, const BandLimits& limits,
                   LoopSettings settings, const std::vector<const Procedure*>& procs,
                   std::function<bool()> shouldStop)
    : env_(env), testSet_(testSet),
      loop_(testSet, env.clock, settings, [this, shouldStop = std::move(shouldStop)] {
          return stop_.load() || (shouldStop && shouldStop());
      }) {
    const Session& s = env.session;
    for (const Procedure* p : procs) {
        auto d = std::make_unique<Dialog>(env, *p);
        if (d->tabs() == 0)
            continue;
        const int index = static_cast<int>(dialogs_.size());
        for (int tab = 0; tab < d->tabs(); ++tab) {
            const SoftpotGroup& g = d->page(tab);
            const PageSpec& pageSpec = g.page();
            const std::uint8_t* usable = pageSpec.usablePoints.find(s.radioType);
            for (int r = 0; r < g.rowCount(); ++r) {
                const RowSpec& row = *g.row(r).desc;
                if (usable && (*usable >> (row.point - 1) & 1u) == 0)
                    continue;
                // A point the band does not have has no frequency to align at.
                if (frequencyTextToHz(g.row(r).frequencyText) <= 0)
                    continue;
                AlignRow a;
                a.procedure = p;
                a.dialog = index;
                a.tab = tab;
                a.row = r;
                // Rows of a tab host say their spacing, unless their group already does.
                const std::string_view tabName =
                    d->host ? d->host->tables().tabs[static_cast<std::size_t>(tab)] : "";
                a.name = readingName(pageSpec, row, s.radioType, tabName);
                a.limitName = p->limitName(tab, row);
                if (const Limit* l = limits.find(a.limitName))
                    a.limit = *l;
                rows_.push_back(std::move(a));
            }
        }
        dialogs_.push_back(std::move(d));
    }
}

AlignRun::~AlignRun() {
    discard();
}

AlignRow* AlignRun::runRow(AlignRow& row) {
    Dialog& d = *dialogs_[static_cast<std::size_t>(row.dialog)];
    d.open();
    d.enterTab(row.tab);
    SoftpotGroup& page = d.page(row.tab);
    if (!row.limit) {
        row.done = true;
        row.result.oldValue = env_.session.image[page.row(row.row).desc->imageByte];
        row.result.newValue = row.result.oldValue;
        row.result.note = "no limit \"" + row.limitName + "\" in the limits file";
        return &row;
    }
    const int index = static_cast<int>(&row - rows_.data());
    EngineRadio radio(page, row.row, env_.session, d.notices, [this, index](bool on) {
        if (onKeying_)
            onKeying_(index, on);
    });
    loop_.setOnStep([this, index](const AlignStep& step) {
        if (onStep_)
            onStep_(index, step);
    });
    const Response response{row.procedure->slopeFor(row.limitName)};
    row.result = loop_.run(radio, row.procedure->quantity, *row.limit, response);
    row.done = row.result.outcome != PointOutcome::Aborted;
    if (row.result.outcome != PointOutcome::Pass) {
        // The row keeps its stored value: only a value within the limits reaches the image.
        const int old = row.result.oldValue;
        page.scroll(row.row, ScrollCode::ThumbPosition, old);
        page.setWorkingEditText(row.row, page.page().scale.format(old));
        page.acceptTypedValues();
        env_.session.image[page.row(row.row).desc->imageByte] = static_cast<std::uint8_t>(old);
    }
    return &row;
}

namespace {

// A row that was measured goes into the alignment record with its limits and verdict.
void recordRow(const Session& session, const AlignRow& row) {
    if (!row.done || !row.limit || !row.result.reading)
        return;
    AlignmentReading r;
    r.value = row.name;
    r.quantity = quantityName(row.procedure->quantity);
    r.unit = row.limit->unit;
    r.target = row.limit->target;
    r.low = row.limit->low;
    r.high = row.limit->high;
    r.reading = *row.result.reading;
    r.pass = row.passed();
    for (const AlignStep& s : row.result.steps)
        r.steps.push_back({s.value, s.reading});
    recordReading(session, r);
}

} // namespace

void AlignRun::run(const std::function<void(int)>& onRow) {
    recordTestSet(env_.session, testSet_.describe());
    ending_ = {RunEnding::Kind::Completed, {}};
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        AlignRow& row = rows_[i];
        // Asked here too: a row without a limit does not reach the loop.
        if (loop_.aborted()) {
            ending_.kind = RunEnding::Kind::Aborted;
            break;
        }
        runRow(row);
        recordRow(env_.session, row);
        if (onRow)
            onRow(static_cast<int>(i));
        if (row.result.outcome == PointOutcome::Aborted) {
            ending_.kind = RunEnding::Kind::Aborted;
            break;
        }
        if (loop_.broken()) {
            ending_ = {RunEnding::Kind::Fault, row.result.note + " at " + row.name};
            break;
        }
    }
}

std::string RunEnding::text() const {
    switch (kind) {
    case Kind::NotRun:
        return "not run";
    case Kind::Completed:
        return "completed";
    case Kind::Aborted:
        return "aborted by the user";
    case Kind::Fault:
        break;
    }
    return "stopped by a fault: " + reason;
}

bool AlignRun::program() {
    bool ok = true;
    for (std::size_t i = 0; i < dialogs_.size(); ++i) {
        bool any = false;
        for (const AlignRow& r : rows_)
            any = any || (r.dialog == static_cast<int>(i) && r.passed());
        Dialog& d = *dialogs_[i];
        if (any && d.opened) {
            const int before = d.notices.count;
            d.program();
            // Program reports an unconfirmed write; the record tells whether it landed.
            ok = ok && d.notices.count == before;
        }
        d.close();
    }
    closed_ = true;
    return ok;
}

void AlignRun::discard() {
    for (auto& d : dialogs_)
        d->close();
    closed_ = true;
}

bool AlignRun::allPassed() const {
    if (rows_.empty())
        return false;
    for (const AlignRow& r : rows_)
        if (!r.passed())
            return false;
    return true;
}

int AlignRun::passedCount() const {
    int n = 0;
    for (const AlignRow& r : rows_)
        n += r.passed();
    return n;
}

std::string formatRow(const AlignRow& row) {
    char buf[512];
    const std::string unit = row.limit ? row.limit->unit : std::string();
    std::string limits = "-";
    std::string target = "-";
    if (row.limit) {
        std::snprintf(buf, sizeof buf, "%.2f..%.2f", row.limit->low, row.limit->high);
        limits = buf;
        std::snprintf(buf, sizeof buf, "%.2f", row.limit->target);
        target = buf;
    }
    std::string reading = "-";
    if (row.result.reading) {
        std::snprintf(buf, sizeof buf, "%.2f", *row.result.reading);
        reading = buf;
    }
    const char* verdict = !row.done ? "NOT RUN" : row.passed() ? "PASS" : "FAIL";
    std::snprintf(buf, sizeof buf,
                  "%-48s target %8s %-3s limits %-16s old %3d new %3d reading %8s it %d  %s",
                  row.name.c_str(), target.c_str(), unit.c_str(), limits.c_str(),
                  row.result.oldValue, row.passed() ? row.result.newValue : row.result.oldValue,
                  reading.c_str(), row.result.iterations, verdict);
    std::string line = buf;
    if (!row.passed() && !row.result.note.empty())
        line += " (" + row.result.note + ")";
    return line;
}

} // namespace korvelo::testset
