#pragma once
// The Radio History lists: the radios in the record, and one radio's jobs.
#include "record/job.h"

#include <QAbstractTableModel>

namespace korvelo {

class RadioListModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    enum Column { Serial, Jobs, LastJob, Columns };
    using QAbstractTableModel::QAbstractTableModel;
    void setRadios(QVector<record::RadioSummary> radios);
    const record::RadioSummary& radio(int row) const { return radios_[row]; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;

  private:
    QVector<record::RadioSummary> radios_;
};

class JobListModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    enum Column { Started, Bench, Technician, Changed, Readings, Columns };
    using QAbstractTableModel::QAbstractTableModel;
    void setJobs(QVector<record::Job> jobs);
    const QVector<record::Job>& jobs() const { return jobs_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;

  private:
    QVector<record::Job> jobs_;
};

} // namespace korvelo
