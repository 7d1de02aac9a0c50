#include "record/spool.h"

#include "record/job_store.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace korvelo::record {

namespace {

constexpr int kFormat = 1;

QString idText(const QUuid& id) {
    return id.toString(QUuid::WithoutBraces);
}

QString fileName(const QUuid& id) {
    return idText(id) + QStringLiteral(".json");
}

// The fallback folder is the user's own: made private, and not used when someone else made it.
bool ownFolder(const QString& folder) {
#ifdef Q_OS_UNIX
    const QByteArray path = QFile::encodeName(folder);
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat st {};
    return ::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
           (st.st_mode & 077) == 0;
#else
    return QDir().mkpath(folder);
#endif
}

QJsonObject toJson(const SpooledJob& s) {
    const Job& j = s.job;
    QJsonArray values, readings, backups, verifications;
    for (const JobValue& v : j.values)
        values.append(QJsonObject{{"page", v.page},
                                  {"name", v.name},
                                  {"asRead", v.asRead},
                                  {"asProgrammed", v.asProgrammed},
                                  {"programmed", v.programmed}});
    for (const JobReading& r : j.readings) {
        QJsonArray steps;
        for (const JobStep& st : r.steps)
            steps.append(QJsonArray{st.value, st.reading});
        readings.append(QJsonObject{{"at", timeText(r.at)},
                                    {"value", r.value},
                                    {"quantity", r.quantity},
                                    {"unit", r.unit},
                                    {"target", r.target},
                                    {"low", r.low},
                                    {"high", r.high},
                                    {"reading", r.reading},
                                    {"pass", r.pass},
                                    {"manual", r.manual},
                                    {"softpot", r.softpot},
                                    {"steps", steps}});
    }
    for (const JobBackup& b : j.backups)
        backups.append(QJsonObject{{"at", timeText(b.at)}, {"path", b.path}});
    for (const JobVerification& v : j.verifications)
        verifications.append(QJsonObject{{"at", timeText(v.at)},
                                         {"offset", v.offset},
                                         {"count", v.count},
                                         {"ok", v.ok},
                                         {"detail", v.detail}});
    return QJsonObject{{"format", kFormat},
                       {"ended", s.ended},
                       {"ownerPid", s.ownerPid},
                       {"id", idText(j.id)},
                       {"serial", j.serial},
                       {"firmware", j.firmware},
                       {"country", j.country},
                       {"radioType", j.radioType},
                       {"band", j.band},
                       {"memoryBlocks", j.memoryBlocks},
                       {"audioProcessor", j.audioProcessor},
                       {"bench", j.bench},
                       {"technician", j.technician},
                       {"programVersion", j.programVersion},
                       {"testSet", j.testSet},
                       {"started", timeText(j.started)},
                       {"endedAt", timeText(j.ended)},
                       {"imageRead", QString::fromLatin1(j.imageRead.toHex())},
                       {"imageAfter", QString::fromLatin1(j.imageAfter.toHex())},
                       {"ending", endingKey(j.ending)},
                       {"endReason", j.endReason},
                       {"values", values},
                       {"readings", readings},
                       {"backups", backups},
                       {"verifications", verifications}};
}

SpooledJob fromJson(const QJsonObject& o) {
    SpooledJob s;
    s.ended = o["ended"].toBool();
    s.ownerPid = o["ownerPid"].toInteger();
    Job& j = s.job;
    j.id = QUuid::fromString(o["id"].toString());
    j.serial = o["serial"].toString();
    j.firmware = o["firmware"].toString();
    j.country = o["country"].toString();
    j.radioType = o["radioType"].toInt();
    j.band = o["band"].toString();
    j.memoryBlocks = o["memoryBlocks"].toInt();
    j.audioProcessor = o["audioProcessor"].toString();
    j.bench = o["bench"].toString();
    j.technician = o["technician"].toString();
    j.programVersion = o["programVersion"].toString();
    j.testSet = o["testSet"].toString();
    j.started = timeFrom(o["started"].toString());
    j.ended = timeFrom(o["endedAt"].toString());
    j.imageRead = QByteArray::fromHex(o["imageRead"].toString().toLatin1());
    j.imageAfter = QByteArray::fromHex(o["imageAfter"].toString().toLatin1());
    j.ending = endingFromKey(o["ending"].toString());
    j.endReason = o["endReason"].toString();
    for (const QJsonValue& x : o["values"].toArray()) {
        const QJsonObject v = x.toObject();
        j.values.push_back({v["page"].toString(), v["name"].toString(), v["asRead"].toString(),
                            v["asProgrammed"].toString(), v["programmed"].toBool()});
    }
    for (const QJsonValue& x : o["readings"].toArray()) {
        const QJsonObject r = x.toObject();
        j.readings.push_back({timeFrom(r["at"].toString()), r["value"].toString(),
                              r["quantity"].toString(), r["unit"].toString(),
                              r["target"].toDouble(), r["low"].toDouble(), r["high"].toDouble(),
                              r["reading"].toDouble(), r["pass"].toBool(), r["manual"].toBool(),
                              r["softpot"].toString()});
        for (const QJsonValue& st : r["steps"].toArray())
            j.readings.back().steps.push_back(
                {st.toArray().at(0).toInt(), st.toArray().at(1).toDouble()});
    }
    for (const QJsonValue& x : o["backups"].toArray()) {
        const QJsonObject b = x.toObject();
        j.backups.push_back({timeFrom(b["at"].toString()), b["path"].toString()});
    }
    for (const QJsonValue& x : o["verifications"].toArray()) {
        const QJsonObject v = x.toObject();
        j.verifications.push_back({timeFrom(v["at"].toString()), v["offset"].toInt(),
                                   v["count"].toInt(), v["ok"].toBool(), v["detail"].toString()});
    }
    return s;
}

} // namespace

QStringList spoolFolders(const QString& recordPath) {
    const QByteArray hash =
        QCryptographicHash::hash(QFileInfo(recordPath).absoluteFilePath().toUtf8(),
                                 QCryptographicHash::Sha256)
            .toHex()
            .left(12);
#ifdef Q_OS_UNIX
    const QString user = QString::number(::getuid());
#else
    const QString user = qEnvironmentVariable("USERNAME");
#endif
    return {
        recordPath + QStringLiteral(".spool"),
        QDir(QDir::tempPath())
            .filePath(QStringLiteral("korvelo-spool-%1-%2").arg(user, QString::fromLatin1(hash)))};
}

QString spoolJob(const QString& recordPath, const SpooledJob& job, QString* error) {
    const QByteArray data = QJsonDocument(toJson(job)).toJson(QJsonDocument::Compact);
    QStringList reasons;
    const QStringList folders = spoolFolders(recordPath);
    for (int i = 0; i < folders.size(); ++i) {
        const QString& folder = folders[i];
        if (!(i == 0 ? QDir().mkpath(folder) : ownFolder(folder))) {
            reasons << QStringLiteral("cannot make the folder %1").arg(folder);
            continue;
        }
        const QString path = QDir(folder).filePath(fileName(job.job.id));
        // A temporary file, synced and renamed over the name on commit. Unbuffered, so that a
        // full disk fails the write itself: a buffer flushed at commit can fail unnoticed and
        // leave an empty file under the name.
        QSaveFile f(path);
        if (f.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && f.write(data) == data.size() &&
            f.commit() && QFileInfo(path).size() == data.size()) {
            // An older copy in a folder before this one would be imported as well; it goes.
            for (int k = 0; k < i; ++k)
                QFile::remove(QDir(folders[k]).filePath(fileName(job.job.id)));
            return path;
        }
        reasons << QStringLiteral("cannot write %1: %2").arg(path, f.errorString());
        f.cancelWriting();
    }
    *error = reasons.join(QStringLiteral("; "));
    return {};
}

QStringList spooledFiles(const QString& recordPath) {
    QStringList files;
    for (const QString& folder : spoolFolders(recordPath)) {
        // The suffix is compared here rather than given as a name filter: a filter is matched
        // as a regular expression, and this runs on the record's writer thread, where with the
        // MinGW runtime the thread's regular-expression state outlives its storage (a crash as
        // the thread ends, seen on Windows).
        const QDir dir(folder);
        for (const QString& name : dir.entryList(QDir::Files, QDir::Name))
            if (name.endsWith(QStringLiteral(".json"), Qt::CaseInsensitive))
                files << dir.filePath(name);
    }
    return files;
}

std::optional<SpooledJob> readSpooledJob(const QString& file, QString* error) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(file, f.errorString());
        return std::nullopt;
    }
    QJsonParseError parse{};
    const QJsonDocument doc = QJsonDocument::fromJson(f.readAll(), &parse);
    if (!doc.isObject() || doc.object()["format"].toInt() != kFormat) {
        *error = QStringLiteral("%1 is not a spooled job (%2)")
                     .arg(file, parse.error != QJsonParseError::NoError
                                    ? parse.errorString()
                                    : QStringLiteral("unknown format"));
        return std::nullopt;
    }
    SpooledJob s = fromJson(doc.object());
    if (s.job.id.isNull() || QFileInfo(file).completeBaseName() != idText(s.job.id)) {
        *error = QStringLiteral("%1 does not hold the job its name says").arg(file);
        return std::nullopt;
    }
    return s;
}

void unspoolJob(const QString& recordPath, const QUuid& id) {
    for (const QString& folder : spoolFolders(recordPath))
        QFile::remove(QDir(folder).filePath(fileName(id)));
}

} // namespace korvelo::record
