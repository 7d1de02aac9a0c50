#include "record/recorder.h"

#include "record/job_store.h"
#include "record/spool.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <map>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <unistd.h>
#elif defined(Q_OS_WIN)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#endif

namespace korvelo::record {

namespace {

qint64 ownPid() {
    return QCoreApplication::applicationPid();
}

bool processAlive(qint64 pid) {
#ifdef Q_OS_UNIX
    return pid == ownPid() || ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
#elif defined(Q_OS_WIN)
    // Another Korvelo on this bench (the program and korvelo-cli at once) keeps its job open.
    if (pid == ownPid())
        return true;
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
    if (!process)
        return GetLastError() == ERROR_ACCESS_DENIED; // there, but not ours to look at
    DWORD code = 0;
    const bool running = GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
    CloseHandle(process);
    return running;
#else
    return pid == ownPid();
#endif
}

// Jobs left open by a program that has ended (a crash, a killed process) are ended now: what
// they recorded is all they will ever record.
void endOrphanedJobs(QSqlDatabase& db) {
    QSqlQuery q(db);
    q.exec(QStringLiteral("SELECT job_uuid, owner_pid FROM outbox WHERE state = 'open'"));
    QStringList orphans;
    while (q.next())
        if (!processAlive(q.value(1).toLongLong()))
            orphans << q.value(0).toString();
    for (const QString& id : orphans) {
        q.prepare(QStringLiteral("UPDATE outbox SET state = 'queued' WHERE job_uuid = ?"));
        q.addBindValue(id);
        q.exec();
    }
}

QDateTime now() {
    return QDateTime::currentDateTimeUtc();
}

} // namespace

Recorder::Recorder(QString localPath, JobContext context, std::function<void()> jobEnded,
                   RecorderTiming timing)
    : localPath_(std::move(localPath)), context_(std::move(context)),
      jobEnded_(std::move(jobEnded)), timing_(timing) {
    busy_ = true; // until the file is open
    // The SQL driver plugins are looked up here, not in the writer thread: the lookup matches
    // file names with regular expressions, and with the MinGW runtime a std::thread that used
    // one frees that per-thread state before destroying it when it ends (korvelo.exe crashed
    // on close on Windows).
    QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE"));
    thread_ = std::thread([this] { run(); });
    flush();
}

Recorder::~Recorder() {
    endJob();
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

QString Recorder::error() const {
    std::lock_guard lock(mutex_);
    return error_;
}

QString Recorder::reason() const {
    std::lock_guard lock(mutex_);
    return reason_;
}

QStringList Recorder::takeNotices() {
    std::lock_guard lock(mutex_);
    return std::exchange(notices_, {});
}

void Recorder::notice(const QString& text) {
    std::lock_guard lock(mutex_);
    notices_ << text;
}

void Recorder::setProblem(const QString& reason, const QString& detail) {
    std::lock_guard lock(mutex_);
    reason_ = reason;
    error_ = detail;
}

void Recorder::setTechnician(const QString& name) {
    context_.technician = name;
    if (job_) {
        job_->technician = name;
        queue();
    }
}

std::optional<Job> Recorder::currentJob() const {
    return job_;
}

void Recorder::endJob() {
    if (!job_)
        return;
    queue(true);
    job_.reset();
}

void Recorder::flush() {
    std::unique_lock lock(mutex_);
    written_.wait(lock, [this] { return queue_.empty() && !busy_; });
}

Job& Recorder::job(const Session& session) {
    if (!job_)
        job_ = startJob(session, context_, now());
    return *job_;
}

void Recorder::queue(bool end) {
    job_->ended = now();
    {
        std::lock_guard lock(mutex_);
        queue_.push_back({*job_, end}); // a shallow copy: the job's texts are shared
    }
    wake_.notify_one();
}

void Recorder::radioRead(const Session& session) {
    endJob();
    job_ = startJob(session, context_, now());
    queue();
}

void Recorder::identityRead(const Session& session) {
    // Reading a radio's identity alone (Identify, the utilities) is no job of its own.
    if (!job_)
        return;
    updateIdentity(*job_, session);
    queue();
}

void Recorder::regionProgrammed(const Session& session, std::uint8_t, std::uint8_t) {
    updateValues(job(session), session);
    queue();
}

void Recorder::backupTaken(const Session& session, const std::string& path) {
    job(session).backups.push_back({now(), QString::fromStdString(path)});
    queue();
}

void Recorder::verified(const Session& session, std::uint8_t offset, std::uint8_t count, bool ok,
                        const std::string& detail) {
    job(session).verifications.push_back(
        {now(), offset, count, ok, QString::fromStdString(detail)});
    queue();
}

void Recorder::testSetUsed(const Session& session, const std::string& identity) {
    job(session).testSet = QString::fromStdString(identity);
    queue();
}

void Recorder::reading(const Session& session, const AlignmentReading& r) {
    QVector<JobReading>& readings = job(session).readings;
    const QString value = QString::fromStdString(r.value);
    // A value's typed reading is the meter's last word on it: a new one replaces the earlier.
    if (r.manual)
        readings.removeIf(
            [&](const JobReading& kept) { return kept.manual && kept.value == value; });
    JobReading kept{now(),
                    value,
                    QString::fromStdString(r.quantity),
                    QString::fromStdString(r.unit),
                    r.target,
                    r.low,
                    r.high,
                    r.reading,
                    r.pass,
                    r.manual,
                    QString::fromStdString(r.softpot)};
    for (const AlignmentStep& s : r.steps)
        kept.steps.push_back({s.value, s.reading});
    readings.push_back(std::move(kept));
    queue();
}

void Recorder::alignmentEnded(const Session& session, AlignmentEnding ending,
                              const std::string& reason) {
    Job& j = job(session);
    j.ending = ending;
    j.endReason = QString::fromStdString(reason);
    queue();
}

namespace {

// The job's row in the outbox: open while its program runs, queued for the shop once ended.
bool markOutbox(QSqlDatabase& db, const QUuid& id, bool ended, qint64 owner, QString* why) {
    QSqlQuery q(db);
    q.prepare(QStringLiteral("INSERT INTO outbox (job_uuid, state, owner_pid) VALUES (?, ?, ?) "
                             "ON CONFLICT (job_uuid) DO UPDATE SET state = excluded.state "
                             "WHERE outbox.state = 'open'"));
    q.addBindValue(id.toString(QUuid::WithoutBraces));
    q.addBindValue(ended ? QStringLiteral("queued") : QStringLiteral("open"));
    q.addBindValue(owner);
    if (q.exec())
        return true;
    *why = q.lastError().text().trimmed();
    return false;
}

} // namespace

bool Recorder::store(QSqlDatabase& db, const Item& item, QString* why, bool* damaged) {
    JobStore store(db);
    *damaged = false;
    if (!store.save(item.job, why)) {
        *damaged = isDamage(store.lastError());
        return false;
    }
    return markOutbox(db, item.job.id, item.end, ownPid(), why);
}

// The damaged file and its journal go aside under one new name; nothing is deleted.
void Recorder::moveAside(const QString& why) {
    const QString stamp =
        QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString aside = localPath_ + QStringLiteral(".damaged-") + stamp;
    for (int n = 2; QFileInfo::exists(aside); ++n)
        aside = localPath_ + QStringLiteral(".damaged-%1-%2").arg(stamp).arg(n);
    if (!QFile::rename(localPath_, aside)) {
        setProblem(why, QStringLiteral("the alignment record is not being kept: %1 is damaged "
                                       "(%2) and cannot be moved aside")
                            .arg(localPath_, why));
        return;
    }
    for (const char* part : {"-wal", "-shm"})
        if (QFileInfo::exists(localPath_ + QLatin1String(part)))
            QFile::rename(localPath_ + QLatin1String(part), aside + QLatin1String(part));
    notice(QStringLiteral("The bench's record %1 is damaged (%2): it was moved to %3 and a new "
                          "record was started in %1")
               .arg(localPath_, why, aside));
}

bool Recorder::open(QSqlDatabase& db, const QString& name) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        QString why;
        bool damaged = false;
        db = openLocalDatabase(localPath_, name, &why, &damaged, timing_.busyMs);
        if (db.isValid()) {
            endOrphanedJobs(db);
            return true;
        }
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
        if (!damaged || attempt > 0) {
            setProblem(why, QStringLiteral("the alignment record is not being kept (%1)").arg(why));
            pauseUntil_ = Clock::now() + std::chrono::milliseconds(timing_.retryMs);
            return false;
        }
        moveAside(why);
    }
    return false;
}

int Recorder::importSpool(QSqlDatabase& db) {
    int imported = 0;
    bool anyEnded = false;
    QStringList left;
    for (const QString& file : spooledFiles(localPath_)) {
        QString why;
        const auto spooled = readSpooledJob(file, &why);
        if (!spooled) {
            // Kept for a person to look at, under a name that is not tried again.
            const QString aside = file + QStringLiteral(".unreadable");
            if (QFile::rename(file, aside))
                notice(QStringLiteral("%1; it was renamed to %2").arg(why, aside));
            else
                left << why;
            continue;
        }
        // A later state of the job may be in the file already (written after the spool).
        QSqlQuery q(db);
        q.prepare(QStringLiteral("SELECT ended_at FROM jobs WHERE uuid = ?"));
        q.addBindValue(spooled->job.id.toString(QUuid::WithoutBraces));
        if (q.exec() && q.next() && timeFrom(q.value(0).toString()) > spooled->job.ended) {
            q.finish();
            unspoolJob(localPath_, spooled->job.id);
            continue;
        }
        q.finish();
        const bool ended = spooled->ended || !processAlive(spooled->ownerPid);
        JobStore store(db);
        if (!store.save(spooled->job, &why) ||
            !markOutbox(db, spooled->job.id, ended, spooled->ownerPid, &why)) {
            left << QStringLiteral("%1: %2").arg(file, why);
            break; // the file failed again; the rest wait too
        }
        unspoolJob(localPath_, spooled->job.id);
        held_.erase(spooled->job.id);
        ++imported;
        anyEnded = anyEnded || ended;
    }
    spoolWaiting_ = !spooledFiles(localPath_).isEmpty();
    if (imported > 0)
        notice(QStringLiteral("%1 job(s) kept aside while the record could not be written are "
                              "now in %2")
                   .arg(imported)
                   .arg(localPath_));
    if (!left.isEmpty())
        setProblem(left.first(), QStringLiteral("spooled jobs wait to go into %1: %2")
                                     .arg(localPath_, left.join(QStringLiteral("; "))));
    if (anyEnded && jobEnded_)
        jobEnded_();
    return imported;
}

void Recorder::write(std::deque<Item>& items, QSqlDatabase& db, const QString& name) {
    // Only the last state of each job is written; an end anywhere in the run ends it. Jobs held
    // from an earlier pass come first, so that a newer state of theirs replaces them.
    std::map<QUuid, Item> last = std::move(held_);
    held_.clear();
    std::vector<QUuid> order;
    for (const auto& [id, item] : last)
        order.push_back(id);
    for (Item& item : items) {
        auto [it, added] = last.try_emplace(item.job.id, item);
        if (added) {
            order.push_back(item.job.id);
        } else {
            const bool end = it->second.end || item.end;
            it->second = std::move(item);
            it->second.end = end;
        }
    }
    const bool rested = Clock::now() >= pauseUntil_;
    if (!db.isValid() && rested && open(db, name))
        importSpool(db);
    else if (db.isValid() && spoolWaiting_ && rested)
        importSpool(db);
    bool anyEnded = false;
    bool allKept = true;
    for (const QUuid& id : order) {
        const Item& item = last.at(id);
        QString why;
        bool ok = false;
        if (db.isValid() && Clock::now() >= pauseUntil_) {
            bool damaged = false;
            ok = store(db, item, &why, &damaged);
            if (!ok && damaged) {
                db = QSqlDatabase();
                QSqlDatabase::removeDatabase(name);
                moveAside(why);
                if (open(db, name)) {
                    importSpool(db);
                    ok = store(db, item, &why, &damaged);
                }
            }
            if (ok) {
                unspoolJob(localPath_, id);
                anyEnded = anyEnded || item.end;
                continue;
            }
            pauseUntil_ = Clock::now() + std::chrono::milliseconds(timing_.retryMs);
        }
        if (why.isEmpty())
            why = reason();
        // Not in the file: kept aside until it can be.
        allKept = false;
        QString spoolWhy;
        const QString spooled = spoolJob(localPath_, {item.job, item.end, ownPid()}, &spoolWhy);
        if (!spooled.isEmpty()) {
            spoolWaiting_ = true;
            setProblem(why, QStringLiteral("the alignment record is not being kept in %1 (%2); "
                                           "job %3 is kept in %4 until it can be")
                                .arg(localPath_, why, id.toString(QUuid::WithoutBraces), spooled));
        } else {
            held_.insert_or_assign(id, item);
            setProblem(why, QStringLiteral("the alignment record is not being kept in %1 (%2), "
                                           "and job %3 cannot be kept aside either (%4): it is "
                                           "lost if this program ends before the record can be "
                                           "written")
                                .arg(localPath_, why, id.toString(QUuid::WithoutBraces), spoolWhy));
        }
    }
    if (allKept && held_.empty() && !spoolWaiting_)
        setProblem({}, {});
    if (anyEnded && jobEnded_)
        jobEnded_();
}

void Recorder::run() {
    const QString name = QStringLiteral("korvelo-record-%1").arg(quintptr(this), 0, 16);
    {
        QSqlDatabase db;
        if (open(db, name))
            importSpool(db);
        std::unique_lock lock(mutex_);
        busy_ = false;
        written_.notify_all();
        for (;;) {
            // Jobs kept aside are tried again now and then, though nothing new comes.
            const bool waiting = spoolWaiting_ || !held_.empty();
            const auto retry = std::chrono::milliseconds(timing_.retryMs);
            if (waiting)
                wake_.wait_for(lock, retry, [this] { return stop_ || !queue_.empty(); });
            else
                wake_.wait(lock, [this] { return stop_ || !queue_.empty(); });
            if (stop_ && queue_.empty() && held_.empty())
                break; // stopped with nothing left to write
            std::deque<Item> items;
            items.swap(queue_);
            busy_ = true;
            lock.unlock();
            write(items, db, name);
            lock.lock();
            busy_ = false;
            written_.notify_all();
            if (stop_ && queue_.empty())
                break; // one last try for held jobs; error() tells what is left
        }
    }
    QSqlDatabase::removeDatabase(name);
}

} // namespace korvelo::record
