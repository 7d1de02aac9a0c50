#include "record/job_store.h"

#include "record/schema.h"
#include "record/shop_database.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#ifdef KORVELO_HAVE_LIBPQ
#include <libpq-fe.h>
#endif

namespace korvelo::record {

namespace {

QString why(const QSqlQuery& q) {
    return q.lastError().text().trimmed();
}

// A null QString binds as SQL NULL; the record's text columns hold '' instead.
QString text(const QString& s) {
    return s.isNull() ? QStringLiteral("") : s;
}

QString idText(const QUuid& id) {
    return id.toString(QUuid::WithoutBraces);
}

void bindJob(QSqlQuery& q, const Job& j) {
    q.addBindValue(idText(j.id));
    q.addBindValue(text(j.serial));
    q.addBindValue(text(j.firmware));
    q.addBindValue(text(j.country));
    q.addBindValue(j.radioType);
    q.addBindValue(text(j.band));
    q.addBindValue(j.memoryBlocks);
    q.addBindValue(text(j.audioProcessor));
    q.addBindValue(text(j.bench));
    q.addBindValue(text(j.technician));
    q.addBindValue(text(j.programVersion));
    q.addBindValue(text(j.testSet));
    q.addBindValue(timeText(j.started));
    q.addBindValue(timeText(j.ended));
    q.addBindValue(QString::fromLatin1(j.imageRead.toHex()));
    q.addBindValue(QString::fromLatin1(j.imageAfter.toHex()));
    q.addBindValue(endingKey(j.ending));
    q.addBindValue(text(j.endReason));
}

constexpr const char* kJobColumns =
    "uuid, serial, firmware, country, radio_type, band, memory_blocks, audio_processor, bench, "
    "technician, program_version, test_set, started_at, ended_at, image_read, image_after, "
    "ending, end_reason";

QString insertJobSql(bool once) {
    QString sql = QStringLiteral("INSERT INTO jobs (%1) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
                                 "?, ?, ?, ?, ?, ?, ?, ?)")
                      .arg(QLatin1String(kJobColumns));
    if (once)
        sql += QStringLiteral(" ON CONFLICT (uuid) DO NOTHING");
    return sql;
}

Job jobFrom(const QSqlQuery& q) {
    Job j;
    j.id = QUuid::fromString(q.value(0).toString());
    j.serial = q.value(1).toString();
    j.firmware = q.value(2).toString();
    j.country = q.value(3).toString();
    j.radioType = q.value(4).toInt();
    j.band = q.value(5).toString();
    j.memoryBlocks = q.value(6).toInt();
    j.audioProcessor = q.value(7).toString();
    j.bench = q.value(8).toString();
    j.technician = q.value(9).toString();
    j.programVersion = q.value(10).toString();
    j.testSet = q.value(11).toString();
    j.started = timeFrom(q.value(12).toString());
    j.ended = timeFrom(q.value(13).toString());
    j.imageRead = QByteArray::fromHex(q.value(14).toString().toLatin1());
    j.imageAfter = QByteArray::fromHex(q.value(15).toString().toLatin1());
    j.ending = endingFromKey(q.value(16).toString());
    j.endReason = q.value(17).toString();
    return j;
}

bool loadRows(QSqlDatabase& db, Job& j) {
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT page, name, as_read, as_programmed FROM job_values "
                             "WHERE job_uuid = ? ORDER BY seq"));
    q.addBindValue(idText(j.id));
    if (!q.exec())
        return false;
    while (q.next()) {
        JobValue v{q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                   q.value(3).toString(), !q.value(3).isNull()};
        j.values.push_back(v);
    }
    q.prepare(QStringLiteral("SELECT measured_at, value_name, quantity, unit, target, low_limit, "
                             "high_limit, reading, pass, manual, softpot FROM job_readings "
                             "WHERE job_uuid = ? ORDER BY seq"));
    q.addBindValue(idText(j.id));
    if (!q.exec())
        return false;
    while (q.next())
        j.readings.push_back({timeFrom(q.value(0).toString()), q.value(1).toString(),
                              q.value(2).toString(), q.value(3).toString(), q.value(4).toDouble(),
                              q.value(5).toDouble(), q.value(6).toDouble(), q.value(7).toDouble(),
                              q.value(8).toInt() != 0, q.value(9).toInt() != 0,
                              q.value(10).toString()});
    q.prepare(QStringLiteral("SELECT reading_seq, softpot_value, reading FROM job_reading_steps "
                             "WHERE job_uuid = ? ORDER BY reading_seq, seq"));
    q.addBindValue(idText(j.id));
    if (!q.exec())
        return false;
    while (q.next()) {
        const int reading = q.value(0).toInt();
        if (reading >= 0 && reading < j.readings.size())
            j.readings[reading].steps.push_back({q.value(1).toInt(), q.value(2).toDouble()});
    }
    q.prepare(QStringLiteral("SELECT taken_at, path FROM job_backups WHERE job_uuid = ? "
                             "ORDER BY seq"));
    q.addBindValue(idText(j.id));
    if (!q.exec())
        return false;
    while (q.next())
        j.backups.push_back({timeFrom(q.value(0).toString()), q.value(1).toString()});
    q.prepare(QStringLiteral("SELECT verified_at, first_byte, byte_count, ok, detail FROM "
                             "job_verifications WHERE job_uuid = ? ORDER BY seq"));
    q.addBindValue(idText(j.id));
    if (!q.exec())
        return false;
    while (q.next())
        j.verifications.push_back({timeFrom(q.value(0).toString()), q.value(1).toInt(),
                                   q.value(2).toInt(), q.value(3).toInt() != 0,
                                   q.value(4).toString()});
    return true;
}

#ifdef KORVELO_HAVE_LIBPQ
// A value as libpq's keyword=value form takes it: quoted, with \\ and ' escaped.
QString conninfoValue(const char* value) {
    QString v = QString::fromUtf8(value);
    v.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
        .replace(QLatin1Char('\''), QStringLiteral("\\'"));
    return QLatin1Char('\'') + v + QLatin1Char('\'');
}
#endif

// The setting as libpq itself reads it (keyword=value pairs or a postgresql:// URI, with its
// percent-encoding), turned into the keyword=value form the Qt driver passes on. Empty, with
// the reason, when libpq refuses it or it holds a password in any form.
QString parseShopConninfo(const QString& conninfo, QString* problem) {
    if (conninfo.trimmed().isEmpty()) {
        *problem = QStringLiteral("no shop database is set");
        return {};
    }
#ifndef KORVELO_HAVE_LIBPQ
    *problem = shopDatabaseUnavailableText();
    return {};
#else
    char* message = nullptr;
    PQconninfoOption* options = PQconninfoParse(conninfo.toUtf8().constData(), &message);
    if (!options) {
        *problem = QStringLiteral("the shop database setting is not understood: %1")
                       .arg(message ? QString::fromUtf8(message).trimmed()
                                    : QStringLiteral("out of memory"));
        PQfreemem(message);
        return {};
    }
    QStringList pairs;
    bool password = false;
    bool timeout = false;
    for (const PQconninfoOption* o = options; o->keyword; ++o) {
        if (!o->val)
            continue;
        const QString key = QString::fromUtf8(o->keyword);
        password = password || key == QLatin1String("password");
        timeout = timeout || key == QLatin1String("connect_timeout");
        pairs << key + QLatin1Char('=') + conninfoValue(o->val);
    }
    PQconninfoFree(options);
    if (password) {
        *problem = QStringLiteral("the shop database setting holds a password; keep it in "
                                  "~/.pgpass or PGPASSWORD instead");
        return {};
    }
    // The Qt driver turns every ';' of its options into a space.
    if (pairs.join(QLatin1Char(' ')).contains(QLatin1Char(';'))) {
        *problem = QStringLiteral("the shop database setting holds a ';', which cannot be "
                                  "passed on");
        return {};
    }
    if (!timeout)
        pairs << QStringLiteral("connect_timeout='10'");
    return pairs.join(QLatin1Char(' '));
#endif
}

} // namespace

QString timeText(const QDateTime& t) {
    return t.toUTC().toString(Qt::ISODateWithMs);
}

QDateTime timeFrom(const QString& text) {
    return QDateTime::fromString(text, Qt::ISODateWithMs);
}

bool isDamage(const QSqlError& error) {
    const QString code = error.nativeErrorCode();
    return code == QLatin1String("11") || code == QLatin1String("26");
}

QString endingKey(AlignmentEnding ending) {
    switch (ending) {
    case AlignmentEnding::Aborted:
        return QStringLiteral("aborted");
    case AlignmentEnding::Fault:
        return QStringLiteral("fault");
    case AlignmentEnding::Completed:
        break;
    }
    return QStringLiteral("completed");
}

AlignmentEnding endingFromKey(const QString& key) {
    if (key == QLatin1String("aborted"))
        return AlignmentEnding::Aborted;
    if (key == QLatin1String("fault"))
        return AlignmentEnding::Fault;
    return AlignmentEnding::Completed;
}

QString endingText(const Job& job) {
    switch (job.ending) {
    case AlignmentEnding::Aborted:
        return QStringLiteral("aborted by the user");
    case AlignmentEnding::Fault:
        return job.endReason.isEmpty()
                   ? QStringLiteral("stopped by a fault")
                   : QStringLiteral("stopped by a fault: %1").arg(job.endReason);
    case AlignmentEnding::Completed:
        break;
    }
    return QStringLiteral("completed");
}

QSqlDatabase openLocalDatabase(const QString& path, const QString& name, QString* error,
                               bool* damaged, int busyMs) {
    if (damaged)
        *damaged = false;
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(path);
    // Several threads and programs of one bench share the file: wait for a writer rather than
    // fail at once.
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyMs));
    if (!db.open()) {
        *error = QStringLiteral("cannot open %1: %2").arg(path, db.lastError().text().trimmed());
        return QSqlDatabase();
    }
    QSqlQuery q(db);
    auto fail = [&](const QSqlError& e) {
        *error = QStringLiteral("cannot open %1: %2").arg(path, e.text().trimmed());
        if (damaged)
            *damaged = isDamage(e);
        db.close();
        return QSqlDatabase();
    };
    // The first statement reads the file's header: a file that is no database fails here.
    if (!q.exec(QStringLiteral("PRAGMA journal_mode=WAL")))
        return fail(q.lastError());
    q.exec(QStringLiteral("PRAGMA foreign_keys=ON"));
    if (damaged) {
        // A truncated or overwritten file may still open; its pages tell.
        if (!q.exec(QStringLiteral("PRAGMA quick_check(1)")))
            return fail(q.lastError());
        const QString verdict = q.next() ? q.value(0).toString() : QString();
        if (verdict != QLatin1String("ok")) {
            *error = QStringLiteral("%1 is damaged: %2").arg(path, verdict);
            *damaged = true;
            db.close();
            return QSqlDatabase();
        }
        q.finish();
    }
    QSqlError migration;
    if (!migrate(db, error, kSchemaVersion, &migration)) {
        *error = QStringLiteral("cannot open %1: %2").arg(path, *error);
        if (damaged)
            *damaged = isDamage(migration);
        db.close();
        return QSqlDatabase();
    }
    // The bench's own: which jobs are still open, which wait for the shop database.
    if (!q.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS outbox ("
                               " job_uuid TEXT PRIMARY KEY REFERENCES jobs (uuid),"
                               " state TEXT NOT NULL,"
                               " owner_pid INTEGER NOT NULL,"
                               " tries INTEGER NOT NULL DEFAULT 0,"
                               " last_error TEXT NOT NULL DEFAULT '',"
                               " pushed_at TEXT)")))
        return fail(q.lastError());
    return db;
}

QString shopConninfoProblem(const QString& conninfo) {
    QString problem;
    parseShopConninfo(conninfo, &problem);
    return problem;
}

QSqlDatabase openShopDatabase(const QString& conninfo, const QString& name, QString* error) {
    QString problem;
    const QString options = parseShopConninfo(conninfo, &problem);
    if (options.isEmpty()) {
        *error = problem;
        return QSqlDatabase();
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    // The driver puts its options after its own (empty) fields, as they stand, so service
    // files, sslmode and .pgpass work as in psql.
    db.setConnectOptions(options);
    if (!db.open()) {
        *error = db.lastError().text().trimmed();
        return QSqlDatabase();
    }
    const int at = schemaVersion(db);
    if (at != kSchemaVersion && !migrate(db, error)) {
        *error = QStringLiteral("the shop database is at schema version %1 and this program "
                                "needs %2; its owner must open it once with Korvelo (%3)")
                     .arg(at)
                     .arg(kSchemaVersion)
                     .arg(*error);
        db.close();
        return QSqlDatabase();
    }
    return db;
}

bool JobStore::insertRows(const Job& j, QSqlError* error) {
    QSqlQuery q(db_);
    // The failed statement's own reason: the connection's last error is not the query's.
    auto failed = [&] {
        *error = q.lastError();
        return false;
    };
    const QString id = idText(j.id);
    q.prepare(QStringLiteral("INSERT INTO job_values (job_uuid, seq, page, name, as_read, "
                             "as_programmed) VALUES (?, ?, ?, ?, ?, ?)"));
    for (int i = 0; i < j.values.size(); ++i) {
        const JobValue& v = j.values[i];
        q.addBindValue(id);
        q.addBindValue(i);
        q.addBindValue(text(v.page));
        q.addBindValue(text(v.name));
        q.addBindValue(text(v.asRead));
        q.addBindValue(v.programmed ? QVariant(text(v.asProgrammed))
                                    : QVariant(QMetaType::fromType<QString>()));
        if (!q.exec())
            return failed();
    }
    q.prepare(QStringLiteral("INSERT INTO job_readings (job_uuid, seq, measured_at, value_name, "
                             "quantity, unit, target, low_limit, high_limit, reading, pass, "
                             "manual, softpot) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    for (int i = 0; i < j.readings.size(); ++i) {
        const JobReading& r = j.readings[i];
        for (const QVariant& v :
             {QVariant(id), QVariant(i), QVariant(timeText(r.at)), QVariant(text(r.value)),
              QVariant(text(r.quantity)), QVariant(text(r.unit)), QVariant(r.target),
              QVariant(r.low), QVariant(r.high), QVariant(r.reading), QVariant(r.pass ? 1 : 0),
              QVariant(r.manual ? 1 : 0), QVariant(text(r.softpot))})
            q.addBindValue(v);
        if (!q.exec())
            return failed();
    }
    q.prepare(QStringLiteral("INSERT INTO job_reading_steps (job_uuid, reading_seq, seq, "
                             "softpot_value, reading) VALUES (?, ?, ?, ?, ?)"));
    for (int i = 0; i < j.readings.size(); ++i) {
        const QVector<JobStep>& steps = j.readings[i].steps;
        for (int k = 0; k < steps.size(); ++k) {
            for (const QVariant& v : {QVariant(id), QVariant(i), QVariant(k),
                                      QVariant(steps[k].value), QVariant(steps[k].reading)})
                q.addBindValue(v);
            if (!q.exec())
                return failed();
        }
    }
    q.prepare(QStringLiteral("INSERT INTO job_backups (job_uuid, seq, taken_at, path) VALUES "
                             "(?, ?, ?, ?)"));
    for (int i = 0; i < j.backups.size(); ++i) {
        q.addBindValue(id);
        q.addBindValue(i);
        q.addBindValue(timeText(j.backups[i].at));
        q.addBindValue(text(j.backups[i].path));
        if (!q.exec())
            return failed();
    }
    q.prepare(QStringLiteral("INSERT INTO job_verifications (job_uuid, seq, verified_at, "
                             "first_byte, byte_count, ok, detail) VALUES (?, ?, ?, ?, ?, ?, ?)"));
    for (int i = 0; i < j.verifications.size(); ++i) {
        const JobVerification& v = j.verifications[i];
        for (const QVariant& x :
             {QVariant(id), QVariant(i), QVariant(timeText(v.at)), QVariant(v.offset),
              QVariant(v.count), QVariant(v.ok ? 1 : 0), QVariant(text(v.detail))})
            q.addBindValue(x);
        if (!q.exec())
            return failed();
    }
    return true;
}

bool JobStore::save(const Job& j, QString* error) {
    lastError_ = QSqlError();
    if (!db_.transaction()) {
        lastError_ = db_.lastError();
        *error = lastError_.text().trimmed();
        return false;
    }
    QSqlQuery q(db_);
    bool ok = true;
    for (const char* table :
         {"job_values", "job_reading_steps", "job_readings", "job_backups", "job_verifications"}) {
        ok = ok &&
             q.prepare(
                 QStringLiteral("DELETE FROM %1 WHERE job_uuid = ?").arg(QLatin1String(table)));
        q.addBindValue(idText(j.id));
        ok = ok && q.exec();
    }
    if (ok) {
        ok = q.prepare(insertJobSql(false) +
                       QStringLiteral(" ON CONFLICT (uuid) DO UPDATE SET serial = excluded.serial,"
                                      " firmware = excluded.firmware, country = excluded.country,"
                                      " test_set = excluded.test_set,"
                                      " ended_at = excluded.ended_at,"
                                      " ending = excluded.ending,"
                                      " end_reason = excluded.end_reason,"
                                      " image_after = excluded.image_after"));
        bindJob(q, j);
        ok = ok && q.exec();
    }
    QSqlError failure;
    if (!ok)
        failure = q.lastError();
    else if (!insertRows(j, &failure))
        ok = false;
    if (!ok) {
        lastError_ = failure;
        *error = failure.text().trimmed();
        db_.rollback();
        return false;
    }
    if (!db_.commit()) {
        lastError_ = db_.lastError();
        *error = lastError_.text().trimmed();
        return false;
    }
    return true;
}

JobStore::Insert JobStore::insertOnce(const Job& j, QString* error) {
    if (!db_.transaction()) {
        *error = db_.lastError().text().trimmed();
        return Insert::Failed;
    }
    QSqlQuery q(db_);
    bool ok = q.prepare(insertJobSql(true));
    bindJob(q, j);
    ok = ok && q.exec();
    // Nothing inserted: the job landed before (an earlier push whose answer was lost).
    const bool inserted = ok && q.numRowsAffected() == 1;
    QSqlError rowsWhy;
    if (ok && inserted && !insertRows(j, &rowsWhy)) {
        ok = false;
        *error = QStringLiteral("cannot add the job's rows: %1").arg(rowsWhy.text().trimmed());
    }
    if (!ok) {
        if (error->isEmpty())
            *error = why(q);
        db_.rollback();
        return Insert::Failed;
    }
    if (!db_.commit()) {
        *error = db_.lastError().text().trimmed();
        return Insert::Failed;
    }
    return inserted ? Insert::Inserted : Insert::AlreadyThere;
}

std::optional<Job> JobStore::job(const QUuid& id) {
    QSqlQuery q(db_);
    q.prepare(QStringLiteral("SELECT %1 FROM jobs WHERE uuid = ?").arg(QLatin1String(kJobColumns)));
    q.addBindValue(idText(id));
    if (!q.exec() || !q.next())
        return std::nullopt;
    Job j = jobFrom(q);
    if (!loadRows(db_, j))
        return std::nullopt;
    return j;
}

std::optional<QUuid> JobStore::findJob(const QString& prefix) {
    static const QRegularExpression hex(QStringLiteral("^[0-9a-fA-F-]{4,36}$"));
    if (!hex.match(prefix).hasMatch())
        return std::nullopt;
    QSqlQuery q(db_);
    // The prefix is a bound value; only its own characters can match.
    q.prepare(QStringLiteral("SELECT uuid FROM jobs WHERE substr(uuid, 1, ?) = ?"));
    q.addBindValue(prefix.size());
    q.addBindValue(prefix.toLower());
    if (!q.exec() || !q.next())
        return std::nullopt;
    const QUuid id = QUuid::fromString(q.value(0).toString());
    if (q.next())
        return std::nullopt; // more than one job starts so
    return id;
}

QVector<RadioSummary> JobStore::radios(const QString& filter) {
    QSqlQuery q(db_);
    q.prepare(QStringLiteral("SELECT serial, COUNT(*), MIN(started_at), MAX(ended_at) FROM jobs "
                             "WHERE ? = '' OR UPPER(serial) LIKE UPPER(?) ESCAPE '\\' "
                             "GROUP BY serial "
                             "ORDER BY MAX(ended_at) DESC"));
    QString like = filter;
    like.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
        .replace(QLatin1Char('%'), QStringLiteral("\\%"))
        .replace(QLatin1Char('_'), QStringLiteral("\\_"));
    q.addBindValue(filter);
    q.addBindValue(QLatin1Char('%') + like + QLatin1Char('%'));
    QVector<RadioSummary> out;
    if (!q.exec())
        return out;
    while (q.next())
        out.push_back({q.value(0).toString(), q.value(1).toInt(), timeFrom(q.value(2).toString()),
                       timeFrom(q.value(3).toString())});
    return out;
}

QVector<Job> JobStore::jobsOf(const QString& serial) {
    QVector<Job> out;
    QSqlQuery q(db_);
    q.prepare(QStringLiteral("SELECT %1 FROM jobs WHERE serial = ? ORDER BY started_at")
                  .arg(QLatin1String(kJobColumns)));
    q.addBindValue(serial);
    if (!q.exec())
        return out;
    while (q.next())
        out.push_back(jobFrom(q));
    for (Job& j : out)
        loadRows(db_, j);
    return out;
}

int JobStore::jobCount() {
    QSqlQuery q(db_);
    if (!q.exec(QStringLiteral("SELECT COUNT(*) FROM jobs")) || !q.next())
        return -1;
    return q.value(0).toInt();
}

} // namespace korvelo::record
