#pragma once
// The program's alignment record: the recorder in the session, writing the bench's file, and
// the outbox that pushes ended jobs to the shop database when one is set.
#include "radio/radio_state.h"
#include "record/outbox.h"
#include "record/recorder.h"

#include <QLabel>
#include <QPointer>
#include <QString>
#include <memory>

class QWidget;

namespace korvelo {

// The account's full name from the system's user database, else the login name.
QString accountFullName();

class BenchRecord {
  public:
    BenchRecord(Session& session, QString localPath, QString shopConninfo);
    ~BenchRecord(); // the job under way ends
    BenchRecord(const BenchRecord&) = delete;
    BenchRecord& operator=(const BenchRecord&) = delete;

    const QString& localPath() const { return localPath_; }
    const QString& shopConninfo() const { return shopConninfo_; }
    record::Recorder& recorder() { return recorder_; }

    // At the first start (no name kept yet): takes `proposed` as the technician's name and
    // gives a small bar that says so, with "Change"; nothing when a name is kept already.
    QWidget* makeNameBar(QWidget* parent, const QString& proposed);
    void setTechnician(const QString& name);

    // What the technician should know of the record: it cannot be written, or ended jobs wait
    // for the shop database (and why). Empty while all is well.
    QString statusText() const;
    QString statusDetail() const;
    // A status-bar label that follows statusText; owned by `parent`, gone with this object.
    QLabel* makeIndicator(QWidget* parent);

  private:
    Session& session_;
    QString localPath_;
    QString shopConninfo_;
    std::unique_ptr<record::Outbox> outbox_; // outlives the recorder, which wakes it
    record::Recorder recorder_;
    QPointer<QLabel> indicator_;
};

} // namespace korvelo
