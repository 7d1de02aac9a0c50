#include "gui/auto_align_dialog.h"

#include "gui/command_ids.h"
#include "gui/command_table.h"
#include "gui/convergence_chart.h"
#include "gui/link_lease.h"
#include "gui/message_box_notifier.h"
#include "gui/transmit_banner.h"
#include "link/frame_trace.h"
#include "link/stop_request.h"
#include "testset/align_ending.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QThread>
#include <QVBoxLayout>
#include <utility>

namespace korvelo {

namespace {

// The messages of the operations on the link's thread, shown on this one (a message box or a
// status text is a widget): passed on in order, at once when already on this thread.
class ThreadNotifier : public Notifier {
  public:
    ThreadNotifier(QObject& context, Notifier& inner) : context_(context), inner_(inner) {}
    void notify(const std::string& text, Icon icon) override {
        deliver([this, text, icon] { inner_.notify(text, icon); });
    }
    void status(const std::string& text) override {
        deliver([this, text] { inner_.status(text); });
    }

  private:
    void deliver(std::function<void()> f) {
        if (QThread::currentThread() == context_.thread())
            f();
        else
            QMetaObject::invokeMethod(&context_, std::move(f), Qt::QueuedConnection);
    }
    QObject& context_;
    Notifier& inner_;
};

} // namespace

AutoAlignDialog::AutoAlignDialog(AppEnv& env, std::string simulatedTestSet, QWidget* parent)
    : QDialog(parent), env_(env), simulated_(std::move(simulatedTestSet)), model_(this),
      threadNotifier_(std::make_unique<ThreadNotifier>(*this, env.notifier)),
      threadEnv_(std::make_unique<AppEnv>(
          AppEnv{env.session, env.replies, wall_, *threadNotifier_, env.ports})) {
    setWindowTitle(QStringLiteral("Auto Align"));
    auto* form = new QFormLayout;

    testSet_ = new QComboBox(this);
    if (!simulated_.empty())
        testSet_->addItem(
            QStringLiteral("Simulated test set (%1)").arg(QString::fromStdString(simulated_)));
    testSet_->addItem(QStringLiteral("Test set at the connection below"));
    testSet_->setAccessibleName(QStringLiteral("Test set"));
    form->addRow(QStringLiteral("&Test set:"), testSet_);

    connection_ = new QLineEdit(QStringLiteral("tcp://localhost:5025"), this);
    connection_->setAccessibleName(QStringLiteral("Test set connection"));
    connection_->setToolTip(QStringLiteral("tcp://HOST:PORT, serial:DEVICE[:BAUD], "
                                           "gpib:DEVICE:ADDRESS[:BAUD] or "
                                           "gpib://HOST[:PORT]/ADDRESS"));
    form->addRow(QStringLiteral("&Connection:"), connection_);

    family_ = new QComboBox(this);
    family_->addItem(QStringLiteral("By its identity"));
    for (const testset::Family& f : testset::families())
        family_->addItem(QString::fromStdString(f.name), QString::fromStdString(f.id));
    family_->setAccessibleName(QStringLiteral("Test set family"));
    probe_ = new QPushButton(QStringLiteral("T&est connection"), this);
    probe_->setAccessibleName(QStringLiteral("Test the test set connection"));
    auto* familyRow = new QHBoxLayout;
    familyRow->addWidget(family_, 1);
    familyRow->addWidget(probe_);
    auto* familyLabel = new QLabel(QStringLiteral("&Family:"), this);
    familyLabel->setBuddy(family_);
    form->addRow(familyLabel, familyRow);

    auto* procs = new QHBoxLayout;
    for (const testset::Procedure& p : testset::procedures()) {
        const QString name = QString::fromLatin1(p.name.data(), static_cast<int>(p.name.size()));
        auto* box = new QCheckBox(name, this);
        box->setChecked(p.name == "power" || p.name == "deviation" || p.name == "squelch");
        box->setAccessibleName(QStringLiteral("Procedure %1").arg(name));
        box->setProperty("procedure", name);
        procedures_.push_back(box);
        procs->addWidget(box);
    }
    form->addRow(QStringLiteral("Procedures:"), procs);

    auto* limits = new QHBoxLayout;
    limitsFile_ = new QLineEdit(this);
    limitsFile_->setPlaceholderText(QStringLiteral("the shipped limits of the radio's band"));
    limitsFile_->setAccessibleName(QStringLiteral("Limits file"));
    browse_ = new QPushButton(QStringLiteral("&Browse\u2026"), this);
    browse_->setAccessibleName(QStringLiteral("Browse for a limits file"));
    limits->addWidget(limitsFile_);
    limits->addWidget(browse_);
    // A row whose field is a layout gets no buddy of its own: the label's mnemonic needs one.
    auto* limitsLabel = new QLabel(QStringLiteral("&Limits file:"), this);
    limitsLabel->setBuddy(limitsFile_);
    form->addRow(limitsLabel, limits);

    view_ = new QTableView(this);
    view_->setModel(&model_);
    view_->setAccessibleName(QStringLiteral("Alignment results"));
    // Each column as wide as its text, on one line; PASS/FAIL and its reason take the rest
    // (the whole reason is in the cell's tool tip).
    view_->setWordWrap(false);
    view_->setTextElideMode(Qt::ElideRight);
    view_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    view_->horizontalHeader()->setSectionResizeMode(AlignTableModel::Result, QHeaderView::Stretch);
    view_->horizontalHeader()->setStretchLastSection(false);
    summary_ = new QLabel(model_.summary(), this);
    summary_->setAccessibleName(QStringLiteral("Alignment summary"));
    banner_ = new TransmitBanner(this);
    view_->verticalHeader()->hide();
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    chart_ = new ConvergenceChart(this);
    // The row chosen in the table shows its search.
    connect(view_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { chart_->showRow(current.row()); });

    progress_ = new QProgressBar(this);
    progress_->setAccessibleName(QStringLiteral("Alignment progress"));
    progress_->setValue(0);
    timeLeft_ = new QLabel(this);
    timeLeft_->setAccessibleName(QStringLiteral("Time left"));
    status_ = new QLabel(this);
    status_->setAccessibleName(QStringLiteral("Alignment status"));
    status_->setWordWrap(true);

    start_ = new QPushButton(QStringLiteral("&Start"), this);
    abort_ = new QPushButton(QStringLiteral("&Abort"), this);
    program_ = new QPushButton(QStringLiteral("&Program"), this);
    discard_ = new QPushButton(QStringLiteral("&Discard"), this);
    start_->setAccessibleName(QStringLiteral("Start alignment"));
    abort_->setAccessibleName(QStringLiteral("Abort alignment"));
    program_->setAccessibleName(QStringLiteral("Program the passed values"));
    discard_->setAccessibleName(QStringLiteral("Discard the values"));
    start_->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(start_);
    buttons->addWidget(abort_);
    buttons->addStretch();
    buttons->addWidget(program_);
    buttons->addWidget(discard_);

    auto* progressRow = new QHBoxLayout;
    progressRow->addWidget(progress_, 1);
    progressRow->addWidget(timeLeft_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(banner_);
    layout->addWidget(summary_);
    // The table and, beside it, the picture of the search.
    auto* results = new QSplitter(Qt::Horizontal, this);
    results->setChildrenCollapsible(false);
    results->addWidget(view_);
    results->addWidget(chart_);
    results->setStretchFactor(0, 3);
    results->setStretchFactor(1, 2);
    layout->addWidget(results, 1);
    layout->addLayout(progressRow);
    layout->addWidget(status_);
    layout->addLayout(buttons);
    resize(1240, 600);

    connect(testSet_, &QComboBox::currentIndexChanged, this, [this] { updateButtons(); });
    connect(browse_, &QPushButton::clicked, this, [this] {
        const QString f = QFileDialog::getOpenFileName(this, QStringLiteral("Limits File"), {},
                                                       QStringLiteral("Limits (*.json)"));
        if (!f.isEmpty())
            limitsFile_->setText(f);
    });
    connect(probe_, &QPushButton::clicked, this, &AutoAlignDialog::testConnection);
    connect(start_, &QPushButton::clicked, this, &AutoAlignDialog::start);
    connect(abort_, &QPushButton::clicked, this, &AutoAlignDialog::abort);
    connect(program_, &QPushButton::clicked, this, &AutoAlignDialog::programValues);
    connect(discard_, &QPushButton::clicked, this, [this] {
        discardValues();
        QDialog::reject();
    });
    ready_ = env_.session.flags.imageLoaded && env_.session.flags.inTunerMode;
    if (!ready_)
        setStatus(QStringLiteral("Run Tuning Init first: the alignment starts from the radio's "
                                 "tuning area, in tuner mode."));
    updateButtons();
}

AutoAlignDialog::~AutoAlignDialog() {
    probeStop_ = true;
    if (probeThread_.joinable())
        probeThread_.join();
    // Destroyed during a run (the program ends): the run stops at its next step, unkeyed.
    if (run_)
        run_->requestStop();
    if (thread_.joinable())
        thread_.join();
    if (running_) {
        env_.session.onChange = std::move(onChange_);
        env_.session.changed();
    }
    if (run_)
        run_->discard();
}

const testset::Family* AutoAlignDialog::chosenFamily() const {
    const QString id = family_->currentData().toString();
    return id.isEmpty() ? nullptr : testset::familyById(id.toStdString());
}

void AutoAlignDialog::testConnection() {
    if (probing_ || running_)
        return;
    probing_ = true;
    probeStop_ = false;
    updateButtons();
    setStatus(QStringLiteral("Testing the connection to %1\u2026")
                  .arg(QString::fromStdString(connection())));
    probeThread_ = std::thread([this, conn = connection(), family = chosenFamily()] {
        RealClock clock;
        const testset::ProbeResult r =
            testset::probeTestSet(conn, family, clock, [this] { return probeStop_.load(); });
        QMetaObject::invokeMethod(
            this, [this, r] { probeDone(r); }, Qt::QueuedConnection);
    });
}

void AutoAlignDialog::probeDone(const testset::ProbeResult& r) {
    if (probeThread_.joinable())
        probeThread_.join();
    probing_ = false;
    setStatus(
        r.ok ? QStringLiteral("Test set found: %1").arg(QString::fromStdString(r.message))
             : QStringLiteral("Test connection failed: %1").arg(QString::fromStdString(r.message)));
    updateButtons();
}

std::string AutoAlignDialog::connection() const {
    if (!simulated_.empty() && testSet_->currentIndex() == 0)
        return simulated_;
    return connection_->text().trimmed().toStdString();
}

void AutoAlignDialog::setStatus(const QString& text) {
    status_->setText(text);
}

int AutoAlignDialog::pendingValues() const {
    return run_ && !running_ ? run_->passedCount() : 0;
}

void AutoAlignDialog::updateButtons() {
    const bool pending = pendingValues() > 0;
    start_->setEnabled(!running_ && !probing_ && ready_);
    probe_->setEnabled(!running_ && !probing_);
    abort_->setEnabled(running_ && !programming_ && !stopping_);
    abort_->setText(stopping_ ? QStringLiteral("Stopping\u2026") : QStringLiteral("&Abort"));
    abort_->setAccessibleDescription(stopping_ ? QStringLiteral("Stopping the alignment")
                                               : QString());
    program_->setEnabled(pending);
    discard_->setEnabled(!running_);
    // Discard only while there are values to lose; after Program or before a run it just closes.
    discard_->setText(pending ? QStringLiteral("&Discard") : QStringLiteral("&Close"));
    discard_->setAccessibleName(pending ? QStringLiteral("Discard the values")
                                        : QStringLiteral("Close Auto Align"));
    connection_->setEnabled(!running_ && (simulated_.empty() || testSet_->currentIndex() != 0));
    for (QWidget* w : std::initializer_list<QWidget*>{testSet_, family_, limitsFile_, browse_})
        w->setEnabled(!running_);
    for (QCheckBox* b : procedures_)
        b->setEnabled(!running_);
}

void AutoAlignDialog::onLinkThread(std::function<void()> work, std::function<void()> then) {
    // The thread owns the session and the link until then() runs: the main window's view of
    // the session is told once it is back.
    onChange_ = std::exchange(env_.session.onChange, nullptr);
    lease_ = std::make_unique<LinkLease>();
    running_ = true;
    updateButtons();
    thread_ = std::thread([this, work = std::move(work), then = std::move(then)]() mutable {
        work();
        QMetaObject::invokeMethod(
            this,
            [this, then = std::move(then)] {
                thread_.join();
                running_ = false;
                lease_.reset();
                env_.session.onChange = std::move(onChange_);
                env_.session.changed();
                ready_ = env_.session.flags.imageLoaded && env_.session.flags.inTunerMode;
                then();
                updateButtons();
            },
            Qt::QueuedConnection);
    });
}

void AutoAlignDialog::start() {
    if (running_)
        return;
    if (run_) {
        run_->discard();
        run_.reset();
    }
    std::vector<const testset::Procedure*> procs;
    for (QCheckBox* b : procedures_)
        if (b->isChecked())
            procs.push_back(
                testset::procedureByName(b->property("procedure").toString().toStdString()));
    if (procs.empty()) {
        setStatus(QStringLiteral("Choose at least one procedure."));
        return;
    }
    std::optional<testset::BandLimits> limits;
    const QString file = limitsFile_->text().trimmed();
    if (!file.isEmpty()) {
        testset::LimitsResult r = testset::loadLimitsFile(file.toStdString());
        if (!r.limits) {
            setStatus(QString::fromStdString(r.error));
            return;
        }
        // Another band's targets would be aligned to and programmed.
        const std::string refusal = testset::bandRefusal(*r.limits, env_.session.radioType);
        if (!refusal.empty()) {
            setStatus(QStringLiteral("%1: %2").arg(file, QString::fromStdString(refusal)));
            return;
        }
        limits = std::move(r.limits);
    } else {
        limits = testset::shippedLimits(env_.session.radioType);
        if (!limits) {
            setStatus(QStringLiteral("No shipped limits for radio type %1; choose a limits file.")
                          .arg(env_.session.radioType));
            return;
        }
    }
    std::string why;
    const auto conn = testset::parseConnection(connection(), why);
    if (!conn) {
        setStatus(QString::fromStdString(why));
        return;
    }
    // The last run's test set goes, users before what they use.
    testSetDevice_.reset();
    link_.reset();
    transport_ = testset::makeTransport(*conn);
    link_ = std::make_unique<testset::InstrumentLink>(*transport_, wall_, testset::LinkTiming{},
                                                      [this](bool sent, std::string_view line) {
                                                          if (FrameTrace* t = env_.replies.trace())
                                                              t->instrument(sent, line);
                                                      });
    const testset::Family* family = chosenFamily();
    if (family)
        link_->useFamily(*family);
    testSetDevice_ = std::make_unique<testset::InstrumentTestSet>(*link_, family);
    run_ = std::make_unique<testset::AlignRun>(*threadEnv_, *testSetDevice_, *limits,
                                               testset::LoopSettings{}, procs,
                                               [] { return stopSignal() != 0; });
    model_.reset(run_->rows());
    chart_->reset(run_->rows());
    summary_->setText(model_.summary());
    run_->setOnStep([this](int i, const testset::AlignStep& step) {
        QMetaObject::invokeMethod(
            this, [this, i, step] { chart_->addStep(i, step); }, Qt::QueuedConnection);
    });
    run_->setOnKeying([this](int i, bool on) {
        QMetaObject::invokeMethod(
            this, [this, i, on] { showKeyed(i, on); }, Qt::QueuedConnection);
    });
    progress_->setRange(0, static_cast<int>(run_->rows().size()));
    progress_->setValue(0);
    timeLeft_->clear();
    stopping_ = false;
    closeRequested_ = false;
    setStatus(QStringLiteral("Connecting to the test set at %1 (limits: %2)\u2026")
                  .arg(QString::fromStdString(connection()), QString::fromStdString(limits->band)));
    startedMs_ = wall_.nowMs();
    // Written by the thread, read after it has been joined.
    auto fault = std::make_shared<std::string>();
    onLinkThread([this, fault] { *fault = runOnThread(); }, [this, fault] { runEnded(*fault); });
}

// On the link's thread: nothing here touches a widget; what the window shows goes to it queued.
std::string AutoAlignDialog::runOnThread() {
    auto post = [this](std::function<void()> f) {
        QMetaObject::invokeMethod(this, std::move(f), Qt::QueuedConnection);
    };
    std::string why;
    if (!link_->open(why, [this] { return run_->stopRequested() || stopSignal() != 0; }))
        return "Test set: " + why;
    if (run_->stopRequested())
        return {};
    if (!testSetDevice_->identify())
        return "Test set: " + testSetDevice_->lastError();
    post([this, what = testSetDevice_->describe()] {
        if (!stopping_)
            setStatus(QStringLiteral("Aligning with %1\u2026").arg(QString::fromStdString(what)));
    });
    run_->run([this, &post](int i) {
        post([this, i, row = run_->rows()[static_cast<std::size_t>(i)]] { rowDone(i, row); });
    });
    // The instrument's tear-down and its front panel given back.
    testSetDevice_->finish();
    return {};
}

void AutoAlignDialog::showKeyed(int i, bool on) {
    if (on && i >= 0 && i < model_.rowCount())
        banner_->showKeyed(model_.index(i, AlignTableModel::Point).data().toString());
    else
        banner_->showUnkeyed();
}

void AutoAlignDialog::rowDone(int i, const testset::AlignRow& row) {
    model_.update(i, row);
    chart_->rowDone(i, row);
    summary_->setText(model_.summary());
    view_->scrollTo(model_.index(i, 0));
    progress_->setValue(i + 1);
    const auto total = progress_->maximum();
    const double perRow = static_cast<double>(wall_.nowMs() - startedMs_) / (i + 1);
    const int left = static_cast<int>(perRow * (total - i - 1) / 1000.0 + 0.5);
    if (!stopping_)
        timeLeft_->setText(
            QStringLiteral("%1:%2 left").arg(left / 60).arg(left % 60, 2, 10, QChar('0')));
}

void AutoAlignDialog::runEnded(const std::string& testSetFault) {
    timeLeft_->clear();
    // The thread has ended: the run unkeyed, or said that the radio may still transmit.
    if (env_.session.transmitterMayBeOn)
        banner_->showUncertain();
    else
        banner_->showUnkeyed();
    const testset::RunEnding& e = run_->ending();
    // The thread has ended: the session is this thread's again.
    testset::recordRunEnding(env_.session, e);
    if (e.kind == testset::RunEnding::Kind::NotRun) {
        // The test set could not be used, or the stop came while connecting: the radio was not
        // touched.
        setStatus(testSetFault.empty()
                      ? QStringLiteral("Aborted before the first row: nothing was changed.")
                      : QString::fromStdString(testSetFault));
        run_.reset();
    } else {
        const int passed = run_->passedCount();
        int done = 0;
        for (const testset::AlignRow& r : run_->rows())
            done += r.done;
        QString text = QStringLiteral("Alignment %1: %2 of %3 rows done, %4 passed.")
                           .arg(QString::fromStdString(e.text()))
                           .arg(done)
                           .arg(run_->rows().size())
                           .arg(passed);
        if (e.kind != testset::RunEnding::Kind::Completed)
            text += QStringLiteral(" The transmitter is off.");
        text += passed > 0 ? QStringLiteral(" Program writes the passed values; Discard leaves "
                                            "the radio as it is.")
                           : QStringLiteral(" Nothing to program.");
        setStatus(text);
    }
    stopping_ = false;
    updateButtons();
    // A close asked for during the run: done now, unless there are values to program (then the
    // window offers Program and Discard instead).
    if (std::exchange(closeRequested_, false) && pendingValues() == 0) {
        discardValues();
        QDialog::reject();
    }
}

void AutoAlignDialog::abort() {
    probeStop_ = true;
    if (!running_ || programming_ || stopping_ || !run_)
        return;
    run_->requestStop();
    stopping_ = true;
    timeLeft_->clear();
    setStatus(QStringLiteral("Stopping: the transmitter is unkeyed after this step\u2026"));
    updateButtons();
}

void AutoAlignDialog::programValues() {
    if (!run_ || running_)
        return;
    programming_ = true;
    setStatus(QStringLiteral("Programming the passed values\u2026"));
    auto ok = std::make_shared<bool>(false);
    onLinkThread([this, ok] { *ok = run_->program(); },
                 [this, ok] {
                     programming_ = false;
                     setStatus(*ok ? QStringLiteral("Programmed the passed values.")
                                   : QStringLiteral(
                                         "The radio did not confirm the write; see the message."));
                     run_.reset();
                     if (closeRequested_) {
                         closeRequested_ = false;
                         QDialog::reject();
                     }
                 });
}

void AutoAlignDialog::discardValues() {
    if (run_ && !running_) {
        run_->discard();
        run_.reset();
    }
    updateButtons();
}

bool AutoAlignDialog::settleBeforeClose() {
    const int pending = pendingValues();
    if (pending == 0)
        return true;
    QMessageBox box(QMessageBox::Question, QString::fromLatin1(kMessageCaption),
                    QStringLiteral("%1 aligned value(s) passed and are not programmed yet.\n"
                                   "Program them into the radio?")
                        .arg(pending),
                    QMessageBox::NoButton, this);
    QPushButton* program = box.addButton(QStringLiteral("&Program"), QMessageBox::AcceptRole);
    QPushButton* discard = box.addButton(QStringLiteral("&Discard"), QMessageBox::DestructiveRole);
    box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(program);
    box.exec();
    if (box.clickedButton() == program) {
        closeRequested_ = true;
        programValues();
        return false; // closes once written
    }
    return box.clickedButton() == discard;
}

void AutoAlignDialog::reject() {
    // Escape and the close box during a run stop it (the rows done stay); the window closes
    // once it has stopped, unless passed values wait for Program or Discard.
    if (running_) {
        closeRequested_ = true;
        abort();
        return;
    }
    if (!settleBeforeClose())
        return;
    discardValues();
    QDialog::reject();
}

void AutoAlignDialog::closeEvent(QCloseEvent* event) {
    // QDialog's own: reject() above, and the event ignored while the window stays.
    QDialog::closeEvent(event);
}

void registerAutoAlign(CommandTable& table, std::string simulatedTestSet) {
    table.addDialog(cmd::AutoAlign, Gate::PortFault,
                    [simulatedTestSet](AppEnv& env, QWidget* parent) -> std::unique_ptr<QDialog> {
                        return std::make_unique<AutoAlignDialog>(env, simulatedTestSet, parent);
                    });
}

} // namespace korvelo
