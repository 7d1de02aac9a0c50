#pragma once
// The rows of an automatic alignment as a table: point, PASS/FAIL, target, limits, old value,
// new value and reading, filling as the rows finish.
#include "testset/align_run.h"

#include <QAbstractTableModel>
#include <vector>

namespace korvelo {

class AlignTableModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    enum Column { Point, Result, Target, Limits, Old, New, Reading, ColumnCount };

    using QAbstractTableModel::QAbstractTableModel;
    // A new plan: every row not run yet.
    void reset(const std::vector<testset::AlignRow>& rows);
    // Row i has finished.
    void update(int i, const testset::AlignRow& row);
    const testset::AlignRow& row(int i) const { return rows_.at(static_cast<std::size_t>(i)); }
    // "12 passed, 1 failed, 3 not run"
    QString summary() const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation o, int role = Qt::DisplayRole) const override;

  private:
    std::vector<testset::AlignRow> rows_;
};

} // namespace korvelo
