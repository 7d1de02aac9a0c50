#include "gui/auto_align_dialog.h"

#include "gui/command_ids.h"
#include "gui/command_table.h"
#include "link/frame_trace.h"
#include "link/stop_request.h"
#include "testset/align_ending.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace korvelo {

namespace {

// Pauses that keep the dialog taking input, so that Abort and Escape are seen while the loop
// waits for a reading to settle. Only the dialog takes input meanwhile (it is modal), and its
// only control that acts during a run is Abort, which sets a flag.
class InputClock : public Clock {
  public:
    void sleepMs(int ms) override {
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
    }
    bool wait(ReplyEvent&, int timeoutMs) override {
        sleepMs(timeoutMs);
        return false;
    }
    std::int64_t nowMs() const override { return timer_.elapsed(); }

  private:
    QElapsedTimer timer_ = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
};

} // namespace

AutoAlignDialog::AutoAlignDialog(AppEnv& env, std::string simulatedTestSet, QWidget* parent)
    : QDialog(parent), env_(env), simulated_(std::move(simulatedTestSet)), model_(this),
      restClock_(std::make_unique<InputClock>()) {
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
    connection_->setToolTip(
        QStringLiteral("tcp://HOST:PORT, serial:DEVICE[:BAUD] or gpib:DEVICE:ADDRESS[:BAUD]"));
    form->addRow(QStringLiteral("&Connection:"), connection_);

    dialect_ = new QComboBox(this);
    dialect_->addItem(QStringLiteral("By its identification (*IDN?)"));
    for (const testset::Dialect& d : testset::dialects())
        dialect_->addItem(QString::fromLatin1(d.name.data(), static_cast<int>(d.name.size())),
                          QString::fromLatin1(d.id.data(), static_cast<int>(d.id.size())));
    dialect_->setAccessibleName(QStringLiteral("Test set commands"));
    form->addRow(QStringLiteral("Co&mmands:"), dialect_);

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
    view_->horizontalHeader()->setSectionResizeMode(AlignTableModel::Point,
                                                    QHeaderView::ResizeToContents);
    view_->horizontalHeader()->setStretchLastSection(true);
    view_->verticalHeader()->hide();
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);

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
    layout->addWidget(view_, 1);
    layout->addLayout(progressRow);
    layout->addWidget(status_);
    layout->addLayout(buttons);
    resize(900, 560);

    connect(testSet_, &QComboBox::currentIndexChanged, this, [this] { updateButtons(); });
    connect(browse_, &QPushButton::clicked, this, [this] {
        const QString f = QFileDialog::getOpenFileName(this, QStringLiteral("Limits File"), {},
                                                       QStringLiteral("Limits (*.json)"));
        if (!f.isEmpty())
            limitsFile_->setText(f);
    });
    connect(start_, &QPushButton::clicked, this, &AutoAlignDialog::start);
    connect(abort_, &QPushButton::clicked, this, &AutoAlignDialog::abort);
    connect(program_, &QPushButton::clicked, this, &AutoAlignDialog::programValues);
    connect(discard_, &QPushButton::clicked, this, [this] {
        discardValues();
        QDialog::reject();
    });
    if (!env_.session.flags.imageLoaded || !env_.session.flags.inTunerMode)
        setStatus(QStringLiteral("Run Tuning Init first: the alignment starts from the radio's "
                                 "tuning area, in tuner mode."));
    updateButtons();
}

AutoAlignDialog::~AutoAlignDialog() {
    if (run_)
        run_->discard();
}

std::string AutoAlignDialog::connection() const {
    if (!simulated_.empty() && testSet_->currentIndex() == 0)
        return simulated_;
    return connection_->text().trimmed().toStdString();
}

void AutoAlignDialog::setStatus(const QString& text) {
    status_->setText(text);
}

void AutoAlignDialog::updateButtons() {
    const bool ready = env_.session.flags.imageLoaded && env_.session.flags.inTunerMode;
    const bool pending = run_ && !running_ && run_->passedCount() > 0;
    start_->setEnabled(!running_ && ready);
    abort_->setEnabled(running_);
    program_->setEnabled(pending && !abortRequested_);
    discard_->setEnabled(!running_);
    // Discard only while there are values to lose; after Program or before a run it just closes.
    discard_->setText(pending ? QStringLiteral("&Discard") : QStringLiteral("&Close"));
    discard_->setAccessibleName(pending ? QStringLiteral("Discard the values")
                                        : QStringLiteral("Close Auto Align"));
    connection_->setEnabled(!running_ && (simulated_.empty() || testSet_->currentIndex() != 0));
    for (QWidget* w : std::initializer_list<QWidget*>{testSet_, dialect_, limitsFile_, browse_})
        w->setEnabled(!running_);
    for (QCheckBox* b : procedures_)
        b->setEnabled(!running_);
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
    transport_ = testset::makeTransport(*conn);
    link_ = std::make_unique<testset::InstrumentLink>(*transport_, wall_, testset::LinkTiming{},
                                                      [this](bool sent, std::string_view line) {
                                                          if (FrameTrace* t = env_.replies.trace())
                                                              t->instrument(sent, line);
                                                      });
    if (!link_->open(why)) {
        setStatus(QStringLiteral("Test set: %1").arg(QString::fromStdString(why)));
        return;
    }
    const QString id = dialect_->currentData().toString();
    testSetDevice_ = std::make_unique<testset::ScpiTestSet>(
        *link_, id.isEmpty() ? nullptr : testset::dialectById(id.toStdString()));
    if (!testSetDevice_->identify()) {
        setStatus(QStringLiteral("Test set: no answer to *IDN? from %1")
                      .arg(QString::fromStdString(link_->describe())));
        return;
    }
    abortRequested_ = false;
    run_ = std::make_unique<testset::AlignRun>(
        env_, *testSetDevice_, *limits, testset::LoopSettings{}, procs,
        [this] { return abortRequested_ || stopSignal() != 0; });
    run_->setRestClock(restClock_.get());
    model_.reset(run_->rows());
    progress_->setRange(0, static_cast<int>(run_->rows().size()));
    progress_->setValue(0);
    timeLeft_->clear();
    setStatus(QStringLiteral("Aligning with %1 (limits: %2)")
                  .arg(QString::fromStdString(testSetDevice_->describe()),
                       QString::fromStdString(limits->band)));
    running_ = true;
    updateButtons();
    startedMs_ = wall_.nowMs();
    run_->run([this](int i) { rowDone(i); });
    running_ = false;
    testset::recordRunEnding(env_.session, run_->rows(), abortRequested_ || stopSignal() != 0);
    const int passed = run_->passedCount();
    const auto total = run_->rows().size();
    setStatus(abortRequested_
                  ? QStringLiteral("Aborted: the transmitter is off; nothing was programmed.")
                  : QStringLiteral("%1 of %2 rows passed. Program writes the passed values; "
                                   "Discard leaves the radio as it is.")
                        .arg(passed)
                        .arg(total));
    timeLeft_->clear();
    updateButtons();
    if (closeRequested_) {
        discardValues();
        QDialog::reject();
    }
}

void AutoAlignDialog::rowDone(int i) {
    model_.update(i, run_->rows()[static_cast<std::size_t>(i)]);
    view_->scrollTo(model_.index(i, 0));
    progress_->setValue(i + 1);
    const auto total = static_cast<int>(run_->rows().size());
    const double perRow = static_cast<double>(wall_.nowMs() - startedMs_) / (i + 1);
    const int left = static_cast<int>(perRow * (total - i - 1) / 1000.0 + 0.5);
    timeLeft_->setText(
        QStringLiteral("%1:%2 left").arg(left / 60).arg(left % 60, 2, 10, QChar('0')));
}

void AutoAlignDialog::abort() {
    if (running_) {
        abortRequested_ = true;
        setStatus(QStringLiteral("Aborting: unkeying the transmitter\u2026"));
    }
}

void AutoAlignDialog::programValues() {
    if (!run_ || running_)
        return;
    const bool ok = run_->program();
    setStatus(ok ? QStringLiteral("Programmed the passed values.")
                 : QStringLiteral("The radio did not confirm the write; see the message."));
    run_.reset();
    updateButtons();
}

void AutoAlignDialog::discardValues() {
    if (run_ && !running_) {
        run_->discard();
        run_.reset();
    }
    updateButtons();
}

void AutoAlignDialog::reject() {
    // Escape and the close box during a run: stop at the next step, unkeyed; close after.
    if (running_) {
        abort();
        closeRequested_ = true;
        return;
    }
    discardValues();
    QDialog::reject();
}

void AutoAlignDialog::closeEvent(QCloseEvent* event) {
    if (running_) {
        abort();
        closeRequested_ = true;
        event->ignore();
        return;
    }
    discardValues();
    QDialog::closeEvent(event);
}

void registerAutoAlign(CommandTable& table, std::string simulatedTestSet) {
    table.addDialog(cmd::AutoAlign, Gate::PortFault,
                    [simulatedTestSet](AppEnv& env, QWidget* parent) -> std::unique_ptr<QDialog> {
                        return std::make_unique<AutoAlignDialog>(env, simulatedTestSet, parent);
                    });
}

} // namespace korvelo
