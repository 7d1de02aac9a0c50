#pragma once
// The alignment record of a running program: the job of the radio on the bench, kept in the
// bench's SQLite file by a writer thread, so that recording costs the radio's thread only the
// copy of the job. A job ends when the next Tuning Init starts one, or when the program ends;
// an ended job waits in the outbox for the shop database.
#include "radio/job_recorder.h"
#include "record/job.h"
#include "record/job_builder.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace korvelo::record {

class Recorder : public JobRecorder {
  public:
    // `localPath` is the bench's SQLite file; `jobEnded` is called on the writer thread after a
    // job has been queued for the shop database (the outbox's wake-up).
    Recorder(QString localPath, JobContext context, std::function<void()> jobEnded = {});
    ~Recorder() override; // ends the open job and writes everything queued

    // Empty while the file could be opened and every write has succeeded.
    QString error() const;
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

  private:
    struct Item {
        Job job;
        bool end = false;
    };
    // A job event that comes before any Tuning Init (a file's Program without a read) has no
    // radio to belong to; it starts a job of its own from what the session knows.
    Job& job(const Session& session);
    void queue(bool end = false);
    void run();
    void write(std::deque<Item>& items, class JobStore& store);

    QString localPath_;
    JobContext context_;
    std::function<void()> jobEnded_;
    std::optional<Job> job_; // the radio thread's own

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable written_;
    std::deque<Item> queue_;
    bool stop_ = false;
    bool busy_ = false;
    QString error_;
    std::thread thread_;
};

} // namespace korvelo::record
