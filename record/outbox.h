#pragma once
// Pushes the bench's ended jobs to the shop database from a thread of its own, retried with a
// growing pause while the server is down or unreachable, so the bench never waits for it. A job
// is keyed by its id, so a push repeated after a lost answer adds nothing.
#include <QString>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace korvelo::record {

struct PushResult {
    int pushed = 0;  // jobs that are now in the shop database (new or there already)
    int pending = 0; // ended jobs still waiting
    QString error;   // why the last try failed; empty when it did not
};

// One pass over the outbox on the calling thread: every ended job is offered to the shop
// database once. `connection` names the connections it opens (closed again on return).
PushResult pushEndedJobs(const QString& localPath, const QString& shopConninfo,
                         const QString& connection);

class Outbox {
  public:
    struct Retry {
        std::chrono::milliseconds first{1000};
        std::chrono::milliseconds longest{60000};
    };
    Outbox(QString localPath, QString shopConninfo, Retry retry);
    Outbox(QString localPath, QString shopConninfo) : Outbox(localPath, shopConninfo, Retry{}) {}
    ~Outbox();

    // A job has ended: try now rather than after the pause.
    void wake();
    // What the last pass found.
    PushResult status() const;
    // Starts a pass and waits up to `timeout` for one that leaves nothing pending; true if one
    // did. Jobs ended before the call are seen once the recorder has written them (its flush).
    bool waitUntilEmpty(std::chrono::milliseconds timeout);

  private:
    void run();

    QString localPath_;
    QString shopConninfo_;
    Retry retry_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable passed_;
    bool woken_ = true;
    bool stop_ = false;
    PushResult status_;
    long started_ = 0; // passes begun
    long passes_ = 0;  // the last pass finished
    std::thread thread_;
};

} // namespace korvelo::record
