#include "record/job_store.h"

#include "record/schema.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

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
}

constexpr const char* kJobColumns =
    "uuid, serial, firmware, country, radio_type, band, memory_blocks, audio_processor, bench, "
    "technician, program_version, test_set, started_at, ended_at, image_read, image_after";

QString insertJobSql(bool once) {
    QString sql = QStringLiteral("INSERT INTO jobs (%1) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
                                 "?, ?, ?, ?, ?, ?)")
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
                             "high_limit, reading, pass FROM job_readings WHERE job_uuid = ? "
                             "ORDER BY seq"));
    q.addBindValue(idText(j.id));
    if (!q.exec())
        return false;
    while (q.next())
        j.readings.push_back({timeFrom(q.value(0).toString()), q.value(1).toString(),
                              q.value(2).toString(), q.value(3).toString(), q.value(4).toDouble(),
                              q.value(5).toDouble(), q.value(6).toDouble(), q.value(7).toDouble(),
                              q.value(8).toInt() != 0});
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

QString withConnectTimeout(const QString& conninfo) {
    if (conninfo.contains(QStringLiteral("connect_timeout")))
        return conninfo;
    return conninfo + QStringLiteral(" connect_timeout=10");
}

bool isUri(const QString& conninfo) {
    return conninfo.startsWith(QStringLiteral("postgresql://")) ||
           conninfo.startsWith(QStringLiteral("postgres://"));
}

} // namespace

QString timeText(const QDateTime& t) {
    return t.toUTC().toString(Qt::ISODateWithMs);
}

QDateTime timeFrom(const QString& text) {
    return QDateTime::fromString(text, Qt::ISODateWithMs);
}

QSqlDatabase openLocalDatabase(const QString& path, const QString& name, QString* error) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(path);
    // Several threads and programs of one bench share the file: wait for a writer rather than
    // fail at once.
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000"));
    if (!db.open()) {
        *error = QStringLiteral("cannot open %1: %2").arg(path, db.lastError().text().trimmed());
        return QSqlDatabase();
    }
    QSqlQuery q(db);
    q.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
    q.exec(QStringLiteral("PRAGMA foreign_keys=ON"));
    if (!migrate(db, error))
        return QSqlDatabase();
    // The bench's own: which jobs are still open, which wait for the shop database.
    if (!q.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS outbox ("
                               " job_uuid TEXT PRIMARY KEY REFERENCES jobs (uuid),"
                               " state TEXT NOT NULL,"
                               " owner_pid INTEGER NOT NULL,"
                               " tries INTEGER NOT NULL DEFAULT 0,"
                               " last_error TEXT NOT NULL DEFAULT '',"
                               " pushed_at TEXT)"))) {
        *error = why(q);
        return QSqlDatabase();
    }
    return db;
}

QString shopConninfoProblem(const QString& conninfo) {
    static const QRegularExpression keyword(QStringLiteral("(^|\\s)password\\s*="));
    static const QRegularExpression uriPassword(QStringLiteral("^postgres(ql)?://[^/@]*:[^/@]*@"));
    static const QRegularExpression uriParam(QStringLiteral("[?&]password="));
    if (conninfo.trimmed().isEmpty())
        return QStringLiteral("no shop database is set");
    if (keyword.match(conninfo).hasMatch() || uriPassword.match(conninfo).hasMatch() ||
        uriParam.match(conninfo).hasMatch())
        return QStringLiteral("the shop database setting holds a password; keep it in ~/.pgpass "
                              "or PGPASSWORD instead");
    return {};
}

QSqlDatabase openShopDatabase(const QString& conninfo, const QString& name, QString* error) {
    if (const QString problem = shopConninfoProblem(conninfo); !problem.isEmpty()) {
        *error = problem;
        return QSqlDatabase();
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    // The driver passes its options to libpq as they stand, so service files, sslmode and
    // .pgpass work as in psql. A URI goes in as the database name, which libpq expands.
    if (isUri(conninfo)) {
        db.setDatabaseName(conninfo);
        db.setConnectOptions(QStringLiteral("connect_timeout=10"));
    } else {
        db.setConnectOptions(withConnectTimeout(conninfo));
    }
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

bool JobStore::insertRows(const Job& j) {
    QSqlQuery q(db_);
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
            return false;
    }
    q.prepare(QStringLiteral("INSERT INTO job_readings (job_uuid, seq, measured_at, value_name, "
                             "quantity, unit, target, low_limit, high_limit, reading, pass) "
                             "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    for (int i = 0; i < j.readings.size(); ++i) {
        const JobReading& r = j.readings[i];
        for (const QVariant& v :
             {QVariant(id), QVariant(i), QVariant(timeText(r.at)), QVariant(text(r.value)),
              QVariant(text(r.quantity)), QVariant(text(r.unit)), QVariant(r.target),
              QVariant(r.low), QVariant(r.high), QVariant(r.reading), QVariant(r.pass ? 1 : 0)})
            q.addBindValue(v);
        if (!q.exec())
            return false;
    }
    q.prepare(QStringLiteral("INSERT INTO job_backups (job_uuid, seq, taken_at, path) VALUES "
                             "(?, ?, ?, ?)"));
    for (int i = 0; i < j.backups.size(); ++i) {
        q.addBindValue(id);
        q.addBindValue(i);
        q.addBindValue(timeText(j.backups[i].at));
        q.addBindValue(text(j.backups[i].path));
        if (!q.exec())
            return false;
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
            return false;
    }
    return true;
}

bool JobStore::save(const Job& j, QString* error) {
    if (!db_.transaction()) {
        *error = db_.lastError().text().trimmed();
        return false;
    }
    QSqlQuery q(db_);
    bool ok = true;
    for (const char* table : {"job_values", "job_readings", "job_backups", "job_verifications"}) {
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
                                      " image_after = excluded.image_after"));
        bindJob(q, j);
        ok = ok && q.exec();
    }
    ok = ok && insertRows(j);
    if (!ok) {
        *error = why(q).isEmpty() ? db_.lastError().text().trimmed() : why(q);
        db_.rollback();
        return false;
    }
    if (!db_.commit()) {
        *error = db_.lastError().text().trimmed();
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
    if (ok && inserted && !insertRows(j)) {
        ok = false;
        *error =
            QStringLiteral("cannot add the job's rows: %1").arg(db_.lastError().text().trimmed());
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
