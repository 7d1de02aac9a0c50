#include "cli/record_commands.h"

#include "cli/cli_commands.h"
#include "radio/qt/korvelo_settings.h"
#include "record/job_store.h"
#include "record/outbox.h"
#include "record/recorder.h"
#include "record/report.h"
#include "record/shop_database.h"

#include <QGuiApplication>
#include <QSqlDatabase>
#include <cstdlib>
#include <iostream>

namespace korvelo::cli {

using namespace korvelo::record;

namespace {

std::string str(const QString& s) {
    return s.toStdString();
}

QString technicianOrUser() {
    const QString name = KorveloSettings().technician();
    if (!name.isEmpty())
        return name;
    return qEnvironmentVariable("USER");
}

// The database history and report read, open for the life of the object.
class RecordReader {
  public:
    RecordReader(const Options& o, std::ostream& err) {
        QString why;
        if (o.shop && !shopDatabaseAvailable()) {
            err << "korvelo-cli: " << str(shopDatabaseUnavailableText()) << '\n';
        } else if (o.shop) {
            const QString conninfo =
                o.shopDb ? QString::fromStdString(*o.shopDb) : KorveloSettings().shopDatabase();
            db_ = openShopDatabase(conninfo, kName, &why);
            if (!db_.isValid())
                err << "korvelo-cli: cannot open the shop database: " << str(why) << '\n';
        } else {
            db_ = openLocalDatabase(KorveloSettings::recordFile(), kName, &why);
            if (!db_.isValid())
                err << "korvelo-cli: cannot open the bench's record: " << str(why) << '\n';
        }
    }
    ~RecordReader() {
        db_ = QSqlDatabase();
        QSqlDatabase::removeDatabase(kName);
    }
    bool ok() const { return db_.isValid(); }
    JobStore store() { return JobStore(db_); }

  private:
    static inline const QString kName = QStringLiteral("korvelo-cli-reader");
    QSqlDatabase db_;
};

QString when(const QDateTime& t) {
    return t.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

} // namespace

struct CliRecording::Parts {
    QString local = KorveloSettings::recordFile();
    QString shop = KorveloSettings().shopDatabase();
    Recorder recorder{local, {benchName(), technicianOrUser(), QStringLiteral(KORVELO_VERSION)}};
};

namespace {

// What the record has to say: a damaged file moved aside, spooled jobs imported, and whether
// jobs are being kept.
void tell(Recorder& recorder) {
    for (const QString& n : recorder.takeNotices())
        std::cerr << "korvelo-cli: " << str(n) << '\n';
    if (!recorder.error().isEmpty())
        std::cerr << "korvelo-cli: " << str(recorder.error()) << '\n';
}

} // namespace

CliRecording::CliRecording(Session& session) : session_(session), parts_(new Parts) {
    tell(parts_->recorder);
    session_.recorder = &parts_->recorder;
}

CliRecording::~CliRecording() {
    session_.recorder = nullptr;
    parts_->recorder.endJob();
    parts_->recorder.flush();
    tell(parts_->recorder);
    if (parts_->shop.isEmpty())
        return;
    if (!shopDatabaseAvailable()) {
        std::cerr << "korvelo-cli: " << str(shopDatabaseUnavailableText()) << '\n';
        return;
    }
    const PushResult r = pushEndedJobs(parts_->local, parts_->shop, QStringLiteral("korvelo-cli"));
    if (!r.error.isEmpty())
        std::cerr << "korvelo-cli: the shop database was not reached (" << str(r.error) << "); "
                  << r.pending << " job(s) wait in this bench's record for the next push\n";
}

int historyCommand(const Options& o, std::ostream& out, std::ostream& err) {
    RecordReader reader(o, err);
    if (!reader.ok())
        return kExitFile;
    JobStore store = reader.store();
    if (o.files.empty()) {
        const auto radios = store.radios();
        if (radios.isEmpty())
            out << "No radio is in the record.\n";
        for (const RadioSummary& r : radios)
            out << str(serialText(r.serial)) << "  " << r.jobs << " job(s)  " << str(when(r.first))
                << " to " << str(when(r.last)) << '\n';
        return kExitOk;
    }
    const QString serial = QString::fromStdString(o.files[0]);
    const auto jobs = store.jobsOf(serial);
    if (jobs.isEmpty()) {
        err << "korvelo-cli: no job of radio " << o.files[0] << " is in the record\n";
        return kExitRadio;
    }
    for (const Job& j : jobs) {
        int changed = 0, pass = 0, fail = 0;
        for (const JobValue& v : j.values)
            changed += v.changed();
        for (const JobReading& r : j.readings)
            (r.pass ? pass : fail) += 1;
        out << str(when(j.started)) << "  " << str(j.id.toString(QUuid::WithoutBraces)) << "  "
            << str(j.bench) << "  " << str(j.technician) << "  " << changed << " value(s) changed";
        if (pass + fail)
            out << ", readings " << pass << " PASS " << fail << " FAIL";
        if (j.ending != AlignmentEnding::Completed)
            out << ", alignment " << str(endingText(j));
        out << '\n';
    }
    return kExitOk;
}

int reportCommand(const Options& o, std::ostream& out, std::ostream& err) {
    RecordReader reader(o, err);
    if (!reader.ok())
        return kExitFile;
    JobStore store = reader.store();
    const QString what = QString::fromStdString(o.files[0]);
    QVector<Job> jobs = store.jobsOf(what);
    QString html;
    if (!jobs.isEmpty()) {
        html = radioReportHtml(what, jobs);
    } else if (const auto id = store.findJob(what); id && store.job(*id)) {
        jobs = {*store.job(*id)};
        html = jobReportHtml(jobs.front());
    } else {
        err << "korvelo-cli: " << o.files[0]
            << " is neither a radio's serial number nor one job's id in the record\n";
        return kExitRadio;
    }
    QString why;
    bool ok = true;
    if (o.html)
        ok = writeTextFile(html, QString::fromStdString(*o.html), &why) && ok;
    if (ok && o.csv)
        ok = writeTextFile(reportCsv(jobs), QString::fromStdString(*o.csv), &why);
    if (ok && o.pdf) {
        // The PDF is laid out with fonts, which need a GUI application; no window is shown.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "korvelo-cli";
        static char* argv[] = {name, nullptr};
        QGuiApplication app(argc, argv);
        ok = writePdf(html, QString::fromStdString(*o.pdf), &why);
    }
    if (!ok) {
        err << "korvelo-cli: " << str(why) << '\n';
        return kExitFile;
    }
    out << "Report of " << jobs.size() << " job(s) written\n";
    return kExitOk;
}

} // namespace korvelo::cli
