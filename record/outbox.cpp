#include "record/outbox.h"

#include "record/job_store.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QUuid>
#include <QVariant>

namespace korvelo::record {

namespace {

int pendingCount(QSqlDatabase& local) {
    QSqlQuery q(local);
    if (!q.exec(QStringLiteral("SELECT COUNT(*) FROM outbox WHERE state = 'queued'")) || !q.next())
        return -1;
    return q.value(0).toInt();
}

void markTried(QSqlDatabase& local, const QString& id, const QString& why) {
    QSqlQuery q(local);
    q.prepare(QStringLiteral("UPDATE outbox SET tries = tries + 1, last_error = ? WHERE "
                             "job_uuid = ?"));
    q.addBindValue(why);
    q.addBindValue(id);
    q.exec();
}

PushResult pushWith(QSqlDatabase& local, const QString& shopConninfo, const QString& shopName) {
    PushResult result;
    QSqlQuery q(local);
    if (!q.exec(QStringLiteral("SELECT job_uuid FROM outbox WHERE state = 'queued' ORDER BY "
                               "job_uuid"))) {
        result.error = q.lastError().text();
        result.pending = -1;
        return result;
    }
    QStringList ids;
    while (q.next())
        ids << q.value(0).toString();
    if (ids.isEmpty())
        return result;
    if (shopConninfo.trimmed().isEmpty()) {
        result.pending = static_cast<int>(ids.size()); // kept until a shop database is set
        return result;
    }
    QString why;
    QSqlDatabase shop = openShopDatabase(shopConninfo, shopName, &why);
    if (!shop.isValid()) {
        result.error = why;
        result.pending = static_cast<int>(ids.size());
        return result;
    }
    JobStore from(local);
    JobStore to(shop);
    for (const QString& id : ids) {
        const auto job = from.job(QUuid::fromString(id));
        if (!job) {
            markTried(local, id, QStringLiteral("the job cannot be read from the bench's file"));
            continue;
        }
        why.clear();
        if (to.insertOnce(*job, &why) == JobStore::Insert::Failed) {
            markTried(local, id, why);
            result.error = why;
            break; // the server went away, most likely; the rest wait for the next try
        }
        QSqlQuery done(local);
        done.prepare(QStringLiteral("UPDATE outbox SET state = 'pushed', pushed_at = ?, "
                                    "last_error = '' WHERE job_uuid = ?"));
        done.addBindValue(timeText(QDateTime::currentDateTimeUtc()));
        done.addBindValue(id);
        done.exec();
        ++result.pushed;
    }
    shop.close();
    result.pending = pendingCount(local);
    return result;
}

} // namespace

PushResult pushEndedJobs(const QString& localPath, const QString& shopConninfo,
                         const QString& connection) {
    const QString localName = connection + QStringLiteral("-local");
    const QString shopName = connection + QStringLiteral("-shop");
    PushResult result;
    {
        QString why;
        QSqlDatabase local = openLocalDatabase(localPath, localName, &why);
        if (!local.isValid()) {
            result.error = why;
            result.pending = -1;
        } else {
            result = pushWith(local, shopConninfo, shopName);
        }
    }
    QSqlDatabase::removeDatabase(shopName);
    QSqlDatabase::removeDatabase(localName);
    return result;
}

Outbox::Outbox(QString localPath, QString shopConninfo, Retry retry)
    : localPath_(std::move(localPath)), shopConninfo_(std::move(shopConninfo)), retry_(retry) {
    thread_ = std::thread([this] { run(); });
}

Outbox::~Outbox() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void Outbox::wake() {
    {
        std::lock_guard lock(mutex_);
        woken_ = true;
    }
    wake_.notify_all();
}

PushResult Outbox::status() const {
    std::lock_guard lock(mutex_);
    return status_;
}

bool Outbox::waitUntilEmpty(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    // A pass under way may have looked at the outbox before the call; only a later one counts.
    const long after = started_;
    woken_ = true;
    wake_.notify_all();
    return passed_.wait_for(lock, timeout, [&] {
        return passes_ > after && status_.pending == 0 && status_.error.isEmpty();
    });
}

void Outbox::run() {
    const QString name = QStringLiteral("korvelo-outbox-%1").arg(quintptr(this), 0, 16);
    auto pause = retry_.first;
    std::unique_lock lock(mutex_);
    while (!stop_) {
        woken_ = false;
        const long pass = ++started_;
        lock.unlock();
        const PushResult result = pushEndedJobs(localPath_, shopConninfo_, name);
        lock.lock();
        status_ = result;
        passes_ = pass;
        passed_.notify_all();
        const bool failed = !result.error.isEmpty();
        if (!failed)
            pause = retry_.first;
        // After a failure the pause doubles up to its longest; a wake-up does not shorten it,
        // so a bench that ends jobs quickly does not hammer a server that is down.
        const auto wait = failed ? pause : retry_.longest;
        if (failed)
            wake_.wait_for(lock, wait, [this] { return stop_; });
        else
            wake_.wait_for(lock, wait, [this] { return stop_ || woken_; });
        if (failed)
            pause = std::min(pause * 2, retry_.longest);
    }
}

} // namespace korvelo::record
