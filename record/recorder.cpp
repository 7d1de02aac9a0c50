#include "record/recorder.h"

#include "record/job_store.h"

#include <QCoreApplication>
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

Recorder::Recorder(QString localPath, JobContext context, std::function<void()> jobEnded)
    : localPath_(std::move(localPath)), context_(std::move(context)),
      jobEnded_(std::move(jobEnded)) {
    busy_ = true; // until the file is open
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
    job(session).readings.push_back(
        {now(), QString::fromStdString(r.value), QString::fromStdString(r.quantity),
         QString::fromStdString(r.unit), r.target, r.low, r.high, r.reading, r.pass});
    queue();
}

void Recorder::write(std::deque<Item>& items, JobStore& store) {
    // Only the last state of each job is written; an end anywhere in the run ends it.
    std::map<QUuid, Item> last;
    std::vector<QUuid> order;
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
    bool anyEnded = false;
    for (const QUuid& id : order) {
        const Item& item = last.at(id);
        QString why;
        bool ok = store.save(item.job, &why);
        QSqlQuery q(store.database());
        if (ok) {
            q.prepare(QStringLiteral("INSERT INTO outbox (job_uuid, state, owner_pid) VALUES (?, "
                                     "?, ?) ON CONFLICT (job_uuid) DO UPDATE SET state = "
                                     "excluded.state WHERE outbox.state = 'open'"));
            q.addBindValue(id.toString(QUuid::WithoutBraces));
            q.addBindValue(item.end ? QStringLiteral("queued") : QStringLiteral("open"));
            q.addBindValue(ownPid());
            ok = q.exec();
            if (!ok)
                why = q.lastError().text();
        }
        std::lock_guard lock(mutex_);
        if (!ok)
            error_ = QStringLiteral("cannot record job %1 in %2: %3")
                         .arg(id.toString(QUuid::WithoutBraces), localPath_, why);
        anyEnded = anyEnded || (ok && item.end);
    }
    if (anyEnded && jobEnded_)
        jobEnded_();
}

void Recorder::run() {
    const QString name = QStringLiteral("korvelo-record-%1").arg(quintptr(this), 0, 16);
    {
        QString why;
        QSqlDatabase db = openLocalDatabase(localPath_, name, &why);
        std::unique_lock lock(mutex_);
        if (db.isValid()) {
            lock.unlock();
            endOrphanedJobs(db);
            lock.lock();
        } else {
            error_ = why;
        }
        busy_ = false;
        written_.notify_all();
        if (db.isValid()) {
            JobStore store(db);
            for (;;) {
                wake_.wait(lock, [this] { return stop_ || !queue_.empty(); });
                if (queue_.empty())
                    break; // stopped with nothing left to write
                std::deque<Item> items;
                items.swap(queue_);
                busy_ = true;
                lock.unlock();
                write(items, store);
                lock.lock();
                busy_ = false;
                written_.notify_all();
            }
        } else {
            // Nothing can be written; the queue is dropped so that flush returns.
            for (;;) {
                wake_.wait(lock, [this] { return stop_ || !queue_.empty(); });
                queue_.clear();
                written_.notify_all();
                if (stop_)
                    break;
            }
        }
    }
    QSqlDatabase::removeDatabase(name);
}

} // namespace korvelo::record
