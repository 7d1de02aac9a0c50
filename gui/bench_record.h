#pragma once
// The program's alignment record: the recorder in the session, writing the bench's file, and
// the outbox that pushes ended jobs to the shop database when one is set.
#include "radio/radio_state.h"
#include "record/outbox.h"
#include "record/recorder.h"

#include <QString>
#include <memory>

class QWidget;

namespace korvelo {

class BenchRecord {
  public:
    BenchRecord(Session& session, QString localPath, QString shopConninfo);
    ~BenchRecord(); // the job under way ends
    BenchRecord(const BenchRecord&) = delete;
    BenchRecord& operator=(const BenchRecord&) = delete;

    const QString& localPath() const { return localPath_; }
    const QString& shopConninfo() const { return shopConninfo_; }
    record::Recorder& recorder() { return recorder_; }

    // Before the first job: the technician's name, asked once and kept in the settings.
    void askTechnicianOnce(QWidget* parent);

  private:
    Session& session_;
    QString localPath_;
    QString shopConninfo_;
    std::unique_ptr<record::Outbox> outbox_; // outlives the recorder, which wakes it
    record::Recorder recorder_;
    bool asked_ = false;
};

} // namespace korvelo
