// The bench's own record: a job written through the core's hooks survives the program's end,
// a job a crashed run left open is ended at the next start, a file of the first schema
// version is migrated with its jobs intact, and a job the file cannot take (locked by another
// writer, damaged, on a full disk) is kept aside with a message and never lost.
#include "record/recorder.h"
#include "record/schema.h"
#include "record/spool.h"
#include "record_test_support.h"
#include "support/scratch_dir.h"

#include <QDir>
#include <QFile>
#include <QSqlError>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <functional>
#include <sys/mount.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace korvelo;
using namespace korvelo::record;

namespace {

const JobContext kContext{"bench-1", "Ann Tech", "9.9.9"};

QString local(const ScratchDir& dir) {
    return QString::fromStdString((dir / "record.sqlite").string());
}

// Short waits, so that a locked file is given up on quickly.
const RecorderTiming kQuick{200, 300};

// One job of radio KV00012345 read and programmed, ended; its id.
QUuid recordOneJob(Recorder& recorder) {
    SimBench bench;
    bench.session.recorder = &recorder;
    readAndProgram(bench);
    recordReading(bench.session, {"High Power, point 1",
                                  "Power",
                                  "W",
                                  5,
                                  4.8,
                                  5.2,
                                  5.05,
                                  true,
                                  false,
                                  {},
                                  {{120, 4.2}, {133, 5.05}}});
    const QUuid id = recorder.currentJob()->id;
    recorder.endJob();
    recorder.flush();
    bench.session.recorder = nullptr;
    return id;
}

bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

struct Connection {
    explicit Connection(const QString& path) {
        QString why;
        db = openLocalDatabase(path, QStringLiteral("reader"), &why);
        EXPECT_TRUE(db.isValid()) << why.toStdString();
    }
    ~Connection() {
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("reader"));
    }
    QSqlDatabase db;
};

} // namespace

TEST(RecordStore, AJobKeepsTheRadioItsValuesBeforeAndAfterAndEndsForTheOutbox) {
    ScratchDir dir("korvelo-record");
    QUuid first;
    {
        SimBench bench;
        bench.session.guard.backupFolder = dir / "backups";
        Recorder recorder(local(dir), kContext);
        ASSERT_TRUE(recorder.error().isEmpty()) << recorder.error().toStdString();
        bench.session.recorder = &recorder;
        readAndProgram(bench);
        first = recorder.currentJob()->id;
        // A second Tuning Init is another job: the first one ends there.
        ASSERT_TRUE(ResetRadio(bench.env()));
        TuningInit(bench.env());
        ASSERT_NE(recorder.currentJob()->id, first);
        bench.session.recorder = nullptr;
    } // the program ends: the second job ends too

    Connection c(local(dir));
    JobStore store(c.db);
    const auto job = store.job(first);
    ASSERT_TRUE(job);
    EXPECT_EQ(job->serial, "KV00012345");
    EXPECT_EQ(job->firmware, "R03.00");
    EXPECT_EQ(job->audioProcessor, "AK2347");
    EXPECT_EQ(job->technician, "Ann Tech");
    EXPECT_EQ(job->bench, "bench-1");
    EXPECT_LE(job->started, job->ended);
    const JobValue* changed = changedValue(*job);
    ASSERT_NE(changed, nullptr);
    EXPECT_EQ(changed->page, "Transmit Power");
    EXPECT_TRUE(changed->name.startsWith("High Power, point 1")) << changed->name.toStdString();
    EXPECT_EQ(changed->asProgrammed.toInt(), changed->asRead.toInt() + 5);
    // The rest of the region went out as it was: programmed, unchanged.
    EXPECT_TRUE(std::any_of(job->values.begin(), job->values.end(),
                            [](const JobValue& v) { return v.programmed && !v.changed(); }));
    EXPECT_EQ(job->imageAfter[img::txPowerHigh(1)], char(job->imageRead[img::txPowerHigh(1)] + 5));
    // The backup Tuning Init took, and the read-back of the Program.
    ASSERT_EQ(job->backups.size(), 1);
    EXPECT_TRUE(job->backups[0].path.contains("KV00012345")) << job->backups[0].path.toStdString();
    ASSERT_EQ(job->verifications.size(), 1);
    EXPECT_TRUE(job->verifications[0].ok);
    EXPECT_EQ(job->verifications[0].offset, kRegionTxPower.offset);
    EXPECT_EQ(job->verifications[0].count, kRegionTxPower.count);

    // Both jobs ended, so both wait for the shop database; the serial's history has both.
    EXPECT_EQ(countRows(c.db, "SELECT COUNT(*) FROM outbox WHERE state = 'queued'"), 2);
    // The second Tuning Init read the serial number for its backup: the radio has two jobs.
    EXPECT_EQ(store.jobsOf("KV00012345").size(), 2);
    EXPECT_EQ(store.findJob(first.toString(QUuid::WithoutBraces).left(8)), first);
}

TEST(RecordStore, AJobLeftOpenByARunThatDiedIsEndedAtTheNextStart) {
    ScratchDir dir("korvelo-record");
    // The id of a process that has ended (and been reaped).
    const pid_t deadPid = ::fork();
    if (deadPid == 0)
        ::_exit(0);
    ASSERT_GT(deadPid, 0);
    ASSERT_EQ(::waitpid(deadPid, nullptr, 0), deadPid);
    QUuid id;
    {
        SimBench bench;
        Recorder recorder(local(dir), kContext);
        bench.session.recorder = &recorder;
        readAndProgram(bench);
        id = recorder.currentJob()->id;
        recorder.flush();
        ASSERT_TRUE(recorder.error().isEmpty()) << recorder.error().toStdString();
        bench.session.recorder = nullptr;
    }
    {
        // What a crash leaves: the job still open, its program no longer running.
        Connection c(local(dir));
        QSqlQuery q(c.db);
        q.prepare("UPDATE outbox SET state = 'open', owner_pid = ? WHERE job_uuid = ?");
        q.addBindValue(qint64{deadPid});
        q.addBindValue(id.toString(QUuid::WithoutBraces));
        ASSERT_TRUE(q.exec());
        ASSERT_EQ(q.numRowsAffected(), 1);
    }
    Recorder next(local(dir), kContext);
    Connection c(local(dir));
    EXPECT_EQ(countRows(c.db, "SELECT COUNT(*) FROM outbox WHERE state = 'queued' AND job_uuid = ?",
                        id.toString(QUuid::WithoutBraces)),
              1);
}

TEST(RecordStore, AFileOfAnEarlierSchemaVersionIsMigratedWithItsJobsAndReadings) {
    ScratchDir dir("korvelo-record");
    const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "v1");
        db.setDatabaseName(local(dir));
        ASSERT_TRUE(db.open());
        QString why;
        ASSERT_TRUE(migrate(db, &why, 1)) << why.toStdString();
        QSqlQuery q(db);
        q.prepare("INSERT INTO jobs (uuid, serial, firmware, country, radio_type, band, "
                  "memory_blocks, audio_processor, bench, technician, program_version, "
                  "started_at, ended_at, image_read, image_after) VALUES (?, 'OLD1', 'R01.00', "
                  "'', 4, '', 128, 'AK2347', 'b', 't', '0.1', '2026-01-02T03:04:05.000Z', "
                  "'2026-01-02T03:05:05.000Z', '00', '01')");
        q.addBindValue(id);
        ASSERT_TRUE(q.exec()) << q.lastError().text().toStdString();
        q.prepare("INSERT INTO job_values (job_uuid, seq, page, name, as_read, as_programmed) "
                  "VALUES (?, 0, 'TX Power', 'High Power, point 1', '40', '45')");
        q.addBindValue(id);
        ASSERT_TRUE(q.exec());
        EXPECT_EQ(schemaVersion(db), 1);
        // An Auto Align reading as version 3 kept it, before readings could be typed.
        ASSERT_TRUE(migrate(db, &why, 3)) << why.toStdString();
        q.prepare("INSERT INTO job_readings (job_uuid, seq, measured_at, value_name, quantity, "
                  "unit, target, low_limit, high_limit, reading, pass) VALUES (?, 0, "
                  "'2026-01-02T03:04:30.000Z', 'High Power, point 1', 'Power', 'W', 5, 4.8, "
                  "5.2, 5.01, 1)");
        q.addBindValue(id);
        ASSERT_TRUE(q.exec()) << q.lastError().text().toStdString();
        db.close();
    }
    QSqlDatabase::removeDatabase("v1");

    Connection c(local(dir));
    EXPECT_EQ(schemaVersion(c.db), kSchemaVersion);
    JobStore store(c.db);
    auto job = store.job(QUuid::fromString(id));
    ASSERT_TRUE(job);
    EXPECT_EQ(job->serial, "OLD1");
    ASSERT_EQ(job->values.size(), 1);
    EXPECT_TRUE(job->values[0].changed());
    EXPECT_EQ(job->started, QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5), Qt::UTC));
    ASSERT_EQ(job->readings.size(), 1);
    EXPECT_FALSE(job->readings[0].manual);
    EXPECT_TRUE(job->readings[0].softpot.isEmpty());
    EXPECT_TRUE(job->readings[0].pass);
    // What the new versions keep goes in and comes back.
    job->testSet = "Test set 1, s/n 77";
    job->readings.push_back({QDateTime::currentDateTimeUtc(),
                             "High Power, point 1",
                             "Power",
                             "W",
                             5.0,
                             4.8,
                             5.2,
                             5.31,
                             false,
                             true,
                             "41",
                             {{120, 4.6}, {126, 5.31}}});
    job->verifications.push_back({QDateTime::currentDateTimeUtc(), 0x16, 10, true, ""});
    QString why;
    ASSERT_TRUE(store.save(*job, &why)) << why.toStdString();
    const auto again = store.job(job->id);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->testSet, "Test set 1, s/n 77");
    ASSERT_EQ(again->readings.size(), 2);
    EXPECT_FALSE(again->readings[0].manual);
    EXPECT_DOUBLE_EQ(again->readings[1].reading, 5.31);
    EXPECT_FALSE(again->readings[1].pass);
    EXPECT_TRUE(again->readings[1].manual);
    EXPECT_EQ(again->readings[1].softpot, "41");
    ASSERT_EQ(again->readings[1].steps.size(), 2);
    EXPECT_EQ(again->readings[1].steps[1].value, 126);
    EXPECT_DOUBLE_EQ(again->readings[1].steps[1].reading, 5.31);
    ASSERT_EQ(again->verifications.size(), 1);
    EXPECT_EQ(again->verifications[0].count, 10);
    EXPECT_EQ(again->values.size(), 1);
}

TEST(RecordStore, ARecordLockedByAnotherWriterKeepsTheJobAsideSaysWhyAndTakesItInOnceFree) {
    ScratchDir dir("korvelo-record");
    { Recorder first(local(dir), kContext); } // the file exists
    QUuid id;
    {
        // Another program holds the write lock for as long as the job takes.
        QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "other");
        other.setDatabaseName(local(dir));
        ASSERT_TRUE(other.open());
        QSqlQuery lock(other);
        ASSERT_TRUE(lock.exec("BEGIN EXCLUSIVE")) << lock.lastError().text().toStdString();

        Recorder recorder(local(dir), kContext, {}, kQuick);
        id = recordOneJob(recorder);
        const QString error = recorder.error();
        EXPECT_TRUE(error.contains("not being kept") && error.contains("database is locked"))
            << error.toStdString();
        const QStringList spooled = spooledFiles(local(dir));
        ASSERT_EQ(spooled.size(), 1);
        EXPECT_TRUE(error.contains(spooled[0])) << error.toStdString();
        EXPECT_TRUE(recorder.reason().contains("database is locked"))
            << recorder.reason().toStdString();

        // The other writer lets go: the recorder takes the job in without being asked.
        ASSERT_TRUE(lock.exec("ROLLBACK"));
        lock.finish();
        other.close();
        EXPECT_TRUE(waitFor([&] { return recorder.error().isEmpty(); }, std::chrono::seconds(10)))
            << recorder.error().toStdString();
        EXPECT_TRUE(recorder.takeNotices().join(' ').contains("now in"));
        EXPECT_TRUE(spooledFiles(local(dir)).isEmpty());
    }
    QSqlDatabase::removeDatabase("other");
    Connection c(local(dir));
    const auto job = JobStore(c.db).job(id);
    ASSERT_TRUE(job);
    ASSERT_NE(changedValue(*job), nullptr);
    EXPECT_EQ(job->verifications.size(), 1);
    // The reading's iterations went aside and came in with it.
    ASSERT_EQ(job->readings.size(), 1);
    ASSERT_EQ(job->readings[0].steps.size(), 2);
    EXPECT_EQ(job->readings[0].steps[1].value, 133);
    EXPECT_EQ(countRows(c.db, "SELECT COUNT(*) FROM outbox WHERE state = 'queued' AND job_uuid = ?",
                        id.toString(QUuid::WithoutBraces)),
              1);
}

TEST(RecordStore, ATruncatedOrOverwrittenRecordIsMovedAsideNamedAndANewOneKeepsTheJob) {
    for (const bool truncate : {true, false}) {
        SCOPED_TRACE(truncate ? "truncated" : "header overwritten");
        ScratchDir dir("korvelo-record");
        {
            Recorder recorder(local(dir), kContext);
            for (int i = 0; i < 4; ++i)
                recordOneJob(recorder);
        }
        QFile file(local(dir));
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        const qint64 size = file.size();
        ASSERT_GT(size, 8192);
        if (truncate)
            ASSERT_TRUE(file.resize(size / 2));
        else
            ASSERT_EQ(file.write(QByteArray(100, 'x')), 100);
        file.close();
        const QByteArray damaged = [&] {
            QFile f(local(dir));
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }();

        if (!truncate) {
            // A reader is told why it cannot open the file.
            QString why;
            EXPECT_FALSE(openLocalDatabase(local(dir), "reader", &why).isValid());
            QSqlDatabase::removeDatabase("reader");
            EXPECT_TRUE(why.contains("file is not a database")) << why.toStdString();
        }

        Recorder recorder(local(dir), kContext);
        const QStringList notices = recorder.takeNotices();
        ASSERT_EQ(notices.size(), 1) << notices.join('\n').toStdString();
        const QStringList aside = QDir(QString::fromStdString(dir.path().string()))
                                      .entryList({"record.sqlite.damaged-*"}, QDir::Files);
        ASSERT_EQ(aside.size(), 1);
        const QString asidePath = QString::fromStdString((dir / aside[0].toStdString()).string());
        EXPECT_TRUE(notices[0].contains(local(dir)) && notices[0].contains(asidePath))
            << notices[0].toStdString();
        QFile kept(asidePath);
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_EQ(kept.readAll(), damaged); // moved, not changed

        const QUuid id = recordOneJob(recorder);
        EXPECT_TRUE(recorder.error().isEmpty()) << recorder.error().toStdString();
        Connection c(local(dir));
        EXPECT_TRUE(JobStore(c.db).job(id));
    }
}

TEST(RecordStore, OnAFullDiskTheJobWaitsAsideWithAMessageAndGoesInWhenThereIsRoom) {
    ScratchDir dir("korvelo-record");
    const std::filesystem::path disk = dir / "disk";
    std::filesystem::create_directories(disk);
    if (::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=512k") != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here (needs root): " << std::strerror(errno);
    struct Unmount {
        std::string path;
        ~Unmount() { ::umount2(path.c_str(), MNT_DETACH); }
    } unmount{disk.string()};
    // The spool's second place, off the full disk.
    const QByteArray tmpBefore = qgetenv("TMPDIR");
    std::filesystem::create_directories(dir / "tmp");
    qputenv("TMPDIR", QByteArray::fromStdString((dir / "tmp").string()));
    struct RestoreTmp {
        QByteArray value;
        ~RestoreTmp() {
            if (value.isEmpty())
                qunsetenv("TMPDIR");
            else
                qputenv("TMPDIR", value);
        }
    } restore{tmpBefore};

    const QString record = QString::fromStdString((disk / "record.sqlite").string());
    { Recorder first(record, kContext); }
    {
        // The disk fills up.
        std::ofstream filler(disk / "filler", std::ios::binary);
        const std::string block(4096, 'x');
        while (filler.write(block.data(), block.size()) && filler.flush()) {
        }
    }
    Recorder recorder(record, kContext, {}, kQuick);
    const QUuid id = recordOneJob(recorder);
    const QString error = recorder.error();
    // SQLite's own reason: the file's shared-memory index cannot be made on the full disk.
    EXPECT_TRUE(error.contains("not being kept") && error.contains(record)) << error.toStdString();
    const QStringList spooled = spooledFiles(record);
    ASSERT_EQ(spooled.size(), 1);
    EXPECT_TRUE(spooled[0].startsWith(QString::fromStdString((dir / "tmp").string())))
        << spooled[0].toStdString();
    EXPECT_TRUE(error.contains(spooled[0])) << error.toStdString();

    // Room again: the job goes into the record.
    std::filesystem::remove(disk / "filler");
    EXPECT_TRUE(waitFor([&] { return recorder.error().isEmpty(); }, std::chrono::seconds(10)))
        << recorder.error().toStdString();
    EXPECT_TRUE(spooledFiles(record).isEmpty());
    Connection c(record);
    EXPECT_TRUE(JobStore(c.db).job(id));
}
