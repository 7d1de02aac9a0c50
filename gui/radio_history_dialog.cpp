#include "gui/radio_history_dialog.h"

#include "gui/history_chart.h"
#include "record/job_store.h"
#include "record/report.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <algorithm>

namespace korvelo {

namespace {

QString fileDialogName(QWidget* parent, const QString& suggested) {
    return QFileDialog::getSaveFileName(parent, QStringLiteral("Save Report"), suggested,
                                        QStringLiteral("PDF (*.pdf);;CSV (*.csv);;HTML (*.html)"));
}

QTableView* listView(QAbstractItemModel* model, const QString& name, QWidget* parent) {
    auto* view = new QTableView(parent);
    view->setModel(model);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->verticalHeader()->hide();
    view->horizontalHeader()->setStretchLastSection(true);
    view->setAccessibleName(name);
    return view;
}

// Every column as wide as its widest text, and the lists' side of the splitter wide enough to
// show them all (up to half the window; beyond that the list scrolls).
void fitColumns(QTableView* view) {
    view->resizeColumnsToContents();
    int width = 2 * view->frameWidth() + view->verticalScrollBar()->sizeHint().width();
    for (int c = 0; c < view->model()->columnCount(); ++c)
        width += view->columnWidth(c);
    QWidget* window = view->window();
    view->setMinimumWidth(std::min(width, window->width() / 2));
}

int selectedRow(QTableView* view) {
    const QModelIndexList rows = view->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.front().row();
}

} // namespace

RadioHistoryDialog::RadioHistoryDialog(QString localPath, QString shopConninfo, QWidget* parent,
                                       SaveName saveName)
    : QDialog(parent), localPath_(std::move(localPath)), shopConninfo_(std::move(shopConninfo)),
      saveName_(saveName ? std::move(saveName) : SaveName(fileDialogName)),
      connection_(QStringLiteral("korvelo-history-%1").arg(quintptr(this), 0, 16)) {
    setWindowTitle(QStringLiteral("Radio History"));
    setAccessibleName(QStringLiteral("Radio History"));
    resize(1000, 640);

    auto* searchLabel = new QLabel(QStringLiteral("&Serial number:"), this);
    search_ = new QLineEdit(this);
    search_->setAccessibleName(QStringLiteral("Search by serial number"));
    search_->setClearButtonEnabled(true);
    searchLabel->setBuddy(search_);
    shop_ = new QCheckBox(QStringLiteral("S&hop database"), this);
    shop_->setAccessibleName(QStringLiteral("Show the shop database's record"));
    shop_->setEnabled(!shopConninfo_.isEmpty());
    shop_->setToolTip(shopConninfo_.isEmpty() ? QStringLiteral("No shop database is set")
                                              : shopConninfo_);
    auto* top = new QHBoxLayout;
    top->addWidget(searchLabel);
    top->addWidget(search_, 1);
    top->addWidget(shop_);

    radios_ = listView(&radioModel_, QStringLiteral("Radios"), this);
    jobs_ = listView(&jobModel_, QStringLiteral("Jobs of the radio"), this);
    report_ = new QTextBrowser(this);
    report_->setAccessibleName(QStringLiteral("Job report"));
    auto* lists = new QSplitter(Qt::Vertical, this);
    lists->addWidget(radios_);
    lists->addWidget(jobs_);
    // The job's report, or one value charted across the radio's jobs.
    chart_ = new HistoryChart(this);
    auto* right = new QTabWidget(this);
    right->setAccessibleName(QStringLiteral("Report and chart"));
    right->addTab(report_, QStringLiteral("Re&port"));
    right->addTab(chart_, QStringLiteral("C&hart"));
    auto* split = new QSplitter(Qt::Horizontal, this);
    split->addWidget(lists);
    split->addWidget(right);
    split->setStretchFactor(1, 2);

    exportJob_ = new QPushButton(QStringLiteral("Export &Job..."), this);
    exportJob_->setAccessibleName(QStringLiteral("Export the job's report"));
    exportRadio_ = new QPushButton(QStringLiteral("Export &Radio..."), this);
    exportRadio_->setAccessibleName(QStringLiteral("Export the report of every job of the radio"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->addButton(exportJob_, QDialogButtonBox::ActionRole);
    buttons->addButton(exportRadio_, QDialogButtonBox::ActionRole);
    buttons->button(QDialogButtonBox::Close)->setAccessibleName(QStringLiteral("Close"));

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(split, 1);
    layout->addWidget(buttons);
    setTabOrder(search_, shop_);
    setTabOrder(shop_, radios_);
    setTabOrder(radios_, jobs_);
    setTabOrder(jobs_, report_);

    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(search_, &QLineEdit::textChanged, this, [this] { findRadios(); });
    connect(shop_, &QCheckBox::toggled, this, [this] {
        openDatabase();
        findRadios();
    });
    connect(radios_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { showRadio(); });
    connect(jobs_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { showJob(); });
    connect(exportJob_, &QPushButton::clicked, this, [this] { exportReport(false); });
    connect(exportRadio_, &QPushButton::clicked, this, [this] { exportReport(true); });

    openDatabase();
    findRadios();
}

RadioHistoryDialog::~RadioHistoryDialog() {
    db_ = QSqlDatabase();
    QSqlDatabase::removeDatabase(connection_);
}

void RadioHistoryDialog::setRunningJob(const QUuid& id) {
    runningJob_ = id;
    showRadio();
}

void RadioHistoryDialog::openDatabase() {
    db_ = QSqlDatabase();
    QSqlDatabase::removeDatabase(connection_);
    QString why;
    db_ = shop_->isChecked() ? record::openShopDatabase(shopConninfo_, connection_, &why)
                             : record::openLocalDatabase(localPath_, connection_, &why);
    if (!db_.isValid())
        report_->setPlainText(QStringLiteral("The record cannot be opened: %1").arg(why));
}

void RadioHistoryDialog::findRadios() {
    if (!db_.isValid()) {
        radioModel_.setRadios({});
        showRadio();
        return;
    }
    record::JobStore store(db_);
    radioModel_.setRadios(store.radios(search_->text().trimmed()));
    fitColumns(radios_);
    if (radioModel_.rowCount() > 0)
        radios_->selectRow(0);
    else
        showRadio();
}

void RadioHistoryDialog::showRadio() {
    const int row = selectedRow(radios_);
    if (row < 0 || !db_.isValid()) {
        jobModel_.setJobs({});
        chart_->setJobs({});
        if (db_.isValid())
            report_->setPlainText(search_->text().isEmpty()
                                      ? QStringLiteral("No radio is in the record.")
                                      : QStringLiteral("No radio's serial number contains \"%1\".")
                                            .arg(search_->text()));
        exportJob_->setEnabled(false);
        exportRadio_->setEnabled(false);
        return;
    }
    record::JobStore store(db_);
    QVector<record::Job> jobs = store.jobsOf(radioModel_.radio(row).serial);
    // The job under way has not ended: its last record is no end time.
    for (record::Job& j : jobs)
        if (!runningJob_.isNull() && j.id == runningJob_)
            j.ended = QDateTime();
    chart_->setJobs(jobs);
    jobModel_.setJobs(std::move(jobs));
    fitColumns(jobs_);
    exportRadio_->setEnabled(jobModel_.rowCount() > 0);
    if (jobModel_.rowCount() > 0)
        jobs_->selectRow(jobModel_.rowCount() - 1); // the latest job
    else
        showJob();
}

void RadioHistoryDialog::showJob() {
    const int row = selectedRow(jobs_);
    exportJob_->setEnabled(row >= 0);
    if (row >= 0)
        record::setReportHtml(*report_->document(), record::jobReportHtml(jobModel_.jobs()[row]));
    else
        report_->clear();
}

void RadioHistoryDialog::exportReport(bool wholeRadio) {
    const int row = selectedRow(jobs_);
    if (jobModel_.jobs().isEmpty() || (!wholeRadio && row < 0))
        return;
    const QVector<record::Job> jobs =
        wholeRadio ? jobModel_.jobs() : QVector<record::Job>{jobModel_.jobs()[row]};
    const QString serial = jobs.front().serial;
    const QString suggested =
        wholeRadio
            ? QStringLiteral("%1.pdf").arg(record::serialText(serial))
            : QStringLiteral("%1-%2.pdf")
                  .arg(record::serialText(serial),
                       jobs.front().started.toUTC().toString(QStringLiteral("yyyyMMdd-HHmm")));
    const QString path = saveName_(this, suggested);
    if (path.isEmpty())
        return;
    const QString html =
        wholeRadio ? record::radioReportHtml(serial, jobs) : record::jobReportHtml(jobs.front());
    QString why;
    bool ok = false;
    if (path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
        ok = record::writePdf(html, path, &why);
    else if (path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive))
        ok = record::writeTextFile(record::reportCsv(jobs), path, &why);
    else
        ok = record::writeTextFile(html, path, &why);
    if (!ok)
        QMessageBox::warning(this, QStringLiteral("Tuner Tool"), why);
}

} // namespace korvelo
