#pragma once
// The alignment record of a running program: the job of the radio on the bench, kept in the
// bench's SQLite file by a writer thread, so that recording costs the radio's thread only the
// copy of the job. A job ends when the next Tuning Init starts one, or when the program ends;
// an ended job waits in the outbox for the shop database.
//
// A job the file does not take (locked by another writer, on a full disk) is spooled beside it
// (spool.h) and imported once the file can be written again, by this program or the next one;
// a damaged file is moved aside, never deleted, and a new one started.
#include "radio/job_recorder.h"
#include "record/job.h"
#include "record/job_builder.h"

#include <QSqlDatabase>
#include <QStringList>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

namespace korvelo::record {

struct RecorderTiming {
    int busyMs = 10000; // how long a write waits for another writer of the file
    int retryMs = 5000; // after a failure, jobs go straight to the spool for this long
};

class Recorder : public JobRecorder {
  public:
    // `localPath` is the bench's SQLite file; `jobEnded` is called on the writer thread after a
    // job has been queued for the shop database (the outbox's wake-up).
    Recorder(QString localPath, JobContext context, std::function<void()> jobEnded = {},
             RecorderTiming timing = {});
    ~Recorder() override; // ends the open job and writes everything queued

    // Empty while every job is in the file; otherwise that the record is not being kept, why,
    // and where the jobs wait.
    QString error() const;
    // Just why the file cannot be written ("database is locked"), for a short status.
    QString reason() const;
    // Things to tell once (a damaged file moved aside, spooled jobs imported); emptied here.
    QStringList takeNotices();
    void setTechnician(const QString& name);

    // The job under way, as far as it is recorded; nothing before the first Tuning Init.
    std::optional<Job> currentJob() const;
    // Ends the job under way (the program closes); the next Tuning Init starts a new one.
    void endJob();
    // Returns once everything recorded so far is in the file.
    void flush();

    void radioRead(const Session& session) override;
    void identityRead(const Session& session) override;
    void regionProgrammed(const Session& session, std::uint8_t offset, std::uint8_t count) override;
    void backupTaken(const Session& session, const std::string& path) override;
    void verified(const Session& session, std::uint8_t offset, std::uint8_t count, bool ok,
                  const std::string& detail) override;
    void testSetUsed(const Session& session, const std::string& identity) override;
    void reading(const Session& session, const AlignmentReading& reading) override;
    void alignmentEnded(const Session& session, AlignmentEnding ending,
                        const std::string& reason) override;

  private:
    struct Item {
        Job job;
        bool end = false;
    };
    using Clock = std::chrono::steady_clock;
    // A job event that comes before any Tuning Init (a file's Program without a read) has no
    // radio to belong to; it starts a job of its own from what the session knows.
    Job& job(const Session& session);
    void queue(bool end = false);
    void run();
    // The writer thread's own.
    bool open(QSqlDatabase& db, const QString& name);
    void moveAside(const QString& why);
    int importSpool(QSqlDatabase& db);
    void write(std::deque<Item>& items, QSqlDatabase& db, const QString& name);
    bool store(QSqlDatabase& db, const Item& item, QString* why, bool* damaged);
    void notice(const QString& text);
    void setProblem(const QString& reason, const QString& detail);

    QString localPath_;
    JobContext context_;
    std::function<void()> jobEnded_;
    RecorderTiming timing_;
    std::optional<Job> job_; // the radio thread's own

    // The writer thread's own: jobs neither in the file nor in the spool (retried), and until
    // when the file is left alone after a failure.
    std::map<QUuid, Item> held_;
    Clock::time_point pauseUntil_{};
    bool spoolWaiting_ = false;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable written_;
    std::deque<Item> queue_;
    bool stop_ = false;
    bool busy_ = false;
    QString error_;
    QString reason_;
    QStringList notices_;
    std::thread thread_;
};

} // namespace korvelo::record
