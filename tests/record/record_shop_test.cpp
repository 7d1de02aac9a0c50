// The shop database on a real PostgreSQL server the test starts itself: a job lands once
// although the server goes down during the job and comes back later, two benches pushing at
// once lose nothing, and a bench's role may add and read jobs but not change them.
#include "record/outbox.h"
#include "record/recorder.h"
#include "record_test_support.h"
#include "support/pg_server.h"
#include "support/scratch_dir.h"

#include <QFile>
#include <QSqlError>
#include <thread>

using namespace korvelo;
using namespace korvelo::record;
using namespace std::chrono_literals;

namespace {

const Outbox::Retry kQuickRetry{50ms, 400ms};

QString path(const ScratchDir& dir, const std::string& name) {
    return QString::fromStdString((dir / name).string());
}

// A connection to the shop database for the test's own checks.
struct Shop {
    Shop(const QString& conninfo, const QString& name) : name_(name) {
        QString why;
        db = openShopDatabase(conninfo, name, &why);
        EXPECT_TRUE(db.isValid()) << why.toStdString();
    }
    ~Shop() {
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name_);
    }
    int count(const QString& sql, const QVariant& bound = {}) { return countRows(db, sql, bound); }
    QSqlDatabase db;
    QString name_;
};

class ShopDatabase : public ::testing::Test {
  protected:
    void SetUp() override {
        if (PgServer::binDir().empty())
            GTEST_SKIP() << "PostgreSQL's server binaries (Debian package postgresql) are not "
                            "installed, so the shop database cannot be tested here";
        std::string why;
        ASSERT_TRUE(server.start(why)) << why;
    }
    ScratchDir dir{"korvelo-shop"};
    PgServer server;
};

} // namespace

TEST_F(ShopDatabase, AJobLandsOnceThoughTheServerWentDownDuringIt) {
    const QString local = path(dir, "bench.sqlite");
    Outbox outbox(local, server.conninfo(), kQuickRetry);
    Recorder recorder(local, {"bench-1", "Ann", "1.0"}, [&] { outbox.wake(); });
    SimBench bench;
    bench.session.recorder = &recorder;

    // A first job lands while the server is up (and creates the tables).
    readAndProgram(bench);
    recorder.endJob();
    recorder.flush();
    ASSERT_TRUE(outbox.waitUntilEmpty(20s)) << outbox.status().error.toStdString();

    // The next job starts, the server goes down, the job is programmed and ends.
    ASSERT_TRUE(ResetRadio(bench.env()));
    readAndProgram(bench);
    const QUuid id = recorder.currentJob()->id;
    server.stop();
    bench.session.image[img::txPowerLow(2)] += 1;
    {
        RadioLink link(bench.linkEnv());
        link.OpenPort();
        ASSERT_EQ(programRegion(link, bench.session, kRegionTxPower, 100, 1000).outcome,
                  WriteOutcome::Confirmed);
    }
    recorder.endJob();
    recorder.flush();
    std::this_thread::sleep_for(300ms); // a few failed tries
    EXPECT_FALSE(outbox.status().error.isEmpty());
    EXPECT_EQ(outbox.status().pending, 1);

    std::string why;
    ASSERT_TRUE(server.start(why)) << why;
    ASSERT_TRUE(outbox.waitUntilEmpty(30s)) << outbox.status().error.toStdString();
    const QString idText = id.toString(QUuid::WithoutBraces);
    {
        Shop shop(server.conninfo(), "check");
        EXPECT_EQ(shop.count("SELECT COUNT(*) FROM jobs"), 2);
        EXPECT_EQ(shop.count("SELECT COUNT(*) FROM jobs WHERE uuid = ?", idText), 1);
        const auto landed = JobStore(shop.db).job(id);
        ASSERT_TRUE(landed);
        EXPECT_EQ(landed->serial, "KV00012345");
        int changed = 0;
        for (const JobValue& v : landed->values)
            changed += v.changed();
        EXPECT_EQ(changed, 2); // High Power 1 of the job's first Program, Low Power 2 of its second
    }

    // The push is repeated as if the server's answer had been lost: nothing is added twice.
    {
        QString whyLocal;
        QSqlDatabase db = openLocalDatabase(local, "requeue", &whyLocal);
        QSqlQuery q(db);
        q.prepare("UPDATE outbox SET state = 'queued' WHERE job_uuid = ?");
        q.addBindValue(idText);
        ASSERT_TRUE(q.exec());
    }
    QSqlDatabase::removeDatabase("requeue");
    const int rowsBefore = [&] {
        Shop shop(server.conninfo(), "before");
        return shop.count("SELECT COUNT(*) FROM job_values");
    }();
    ASSERT_TRUE(outbox.waitUntilEmpty(20s)) << outbox.status().error.toStdString();
    Shop shop(server.conninfo(), "after");
    EXPECT_EQ(shop.count("SELECT COUNT(*) FROM jobs"), 2);
    EXPECT_EQ(shop.count("SELECT COUNT(*) FROM job_values"), rowsBefore);
    bench.session.recorder = nullptr;
}

TEST_F(ShopDatabase, TwoBenchesPushingAtOnceLoseNothingAndABenchCannotChangeHistory) {
    { Shop owner(server.conninfo(), "owner"); } // the owner creates the tables
    QFile script(QStringLiteral(KORVELO_SOURCE_DIR "/res/sql/bench-role.sql"));
    std::string why;
    ASSERT_TRUE(server.psql(script.fileName(), why)) << why;
    {
        QFile users(path(dir, "users.sql"));
        ASSERT_TRUE(users.open(QIODevice::WriteOnly));
        users.write("CREATE ROLE bench1 LOGIN IN ROLE korvelo_bench;\n");
        users.close();
        ASSERT_TRUE(server.psql(users.fileName(), why)) << why;
    }

    // Bench 1 logs in with the bench role, bench 2 as the owner; each records its jobs and
    // pushes them from its own outbox while the other does the same.
    constexpr int kJobs = 25;
    auto benchRun = [&](const QString& user, const std::string& file, QString* error) {
        const QString local = path(dir, file);
        Outbox outbox(local, server.conninfo(user), kQuickRetry);
        Recorder recorder(local, {user, "tech", "1.0"}, [&] { outbox.wake(); });
        Session session;
        session.recorder = &recorder;
        for (int i = 0; i < kJobs; ++i) {
            recordRadioRead(session);
            RadioIdentity id;
            id.serialNumber = user.toStdString() + "-" + std::to_string(i);
            recordIdentity(session, id);
            session.record.programmed[0x16] = static_cast<std::uint8_t>(i);
            session.record.isProgrammed[0x16] = true;
            recorder.regionProgrammed(session, 0x16, 1);
            recordReading(session, {"High Power, point 1", "Power", "W", 5, 4.8, 5.2, 5.0, true});
        }
        recorder.endJob();
        recorder.flush();
        if (!outbox.waitUntilEmpty(60s))
            *error = outbox.status().error + " (pending " +
                     QString::number(outbox.status().pending) + ")";
        else
            *error = recorder.error();
        session.recorder = nullptr;
    };
    QString error1, error2;
    std::thread one(benchRun, QStringLiteral("bench1"), "one.sqlite", &error1);
    std::thread two(benchRun, QStringLiteral("korvelo"), "two.sqlite", &error2);
    one.join();
    two.join();
    EXPECT_TRUE(error1.isEmpty()) << error1.toStdString();
    EXPECT_TRUE(error2.isEmpty()) << error2.toStdString();

    Shop shop(server.conninfo(), "check");
    EXPECT_EQ(shop.count("SELECT COUNT(*) FROM jobs"), 2 * kJobs);
    EXPECT_EQ(shop.count("SELECT COUNT(*) FROM jobs WHERE bench = 'bench1'"), kJobs);
    EXPECT_EQ(shop.count("SELECT COUNT(DISTINCT job_uuid) FROM job_readings"), 2 * kJobs);
    EXPECT_EQ(shop.count("SELECT COUNT(*) FROM job_values WHERE as_programmed IS NOT NULL"),
              shop.count("SELECT COUNT(*) FROM jobs") *
                  shop.count("SELECT COUNT(*) FROM job_values WHERE as_programmed IS NOT NULL "
                             "AND job_uuid = (SELECT MIN(uuid) FROM jobs)"));

    // The history's look-ups in PostgreSQL's dialect: a serial searched in any case, a job by
    // the first digits of its id.
    JobStore store(shop.db);
    EXPECT_EQ(store.radios("BENCH1-1").size(), 11); // bench1-1 and bench1-10 to bench1-19
    const auto jobs = store.jobsOf("bench1-3");
    ASSERT_EQ(jobs.size(), 1);
    EXPECT_EQ(jobs[0].readings.size(), 1);
    EXPECT_EQ(store.findJob(jobs[0].id.toString(QUuid::WithoutBraces).left(8)), jobs[0].id);

    // The bench role reads everything but cannot alter or remove a job or the schema.
    Shop bench1(server.conninfo("bench1"), "bench1");
    EXPECT_EQ(bench1.count("SELECT COUNT(*) FROM jobs"), 2 * kJobs);
    QSqlQuery q(bench1.db);
    EXPECT_FALSE(q.exec("UPDATE jobs SET serial = 'X'"));
    EXPECT_FALSE(q.exec("DELETE FROM job_values"));
    EXPECT_FALSE(q.exec("INSERT INTO schema_version (version) VALUES (99)"));
    EXPECT_FALSE(q.exec("DROP TABLE job_readings"));
    EXPECT_FALSE(q.exec("CREATE TABLE mine (x INTEGER)"));
    EXPECT_EQ(shop.count("SELECT COUNT(*) FROM jobs WHERE serial = 'X'"), 0);
}
