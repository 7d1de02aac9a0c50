#pragma once
// The traffic dock's table: one line per frame sent or received, per pause and per wait that
// ended without a reply. Lines are taken from the link's TrafficLog in batches on the
// user-interface thread (a timer), so the receive thread never waits for the window; the
// latest `keep` lines are kept.
#include "link/traffic_log.h"

#include <QAbstractTableModel>
#include <QTimer>
#include <deque>

namespace korvelo {

class TrafficModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    enum Column { Time, Direction, Meaning, Bytes, ColumnCount };

    // pollMs 0: only poll() takes lines (tests).
    explicit TrafficModel(TrafficLog& log, QObject* parent = nullptr, int pollMs = 100);

    // Takes what the log holds now.
    void poll();
    std::size_t keep() const { return keep_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // A line's cells as text, for copying and saving.
    QString cellText(int row, int column) const;

  private:
    TrafficLog& log_;
    const std::size_t keep_;
    std::deque<TrafficEvent> lines_;
    QTimer timer_;
};

} // namespace korvelo
