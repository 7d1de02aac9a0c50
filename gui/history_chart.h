#pragma once
// Radio History's chart: one value of the radio across its jobs, as read and as programmed,
// so that drift between services shows.
#include "record/job.h"

#include <QPointF>
#include <QWidget>

class QChart;
class QChartView;
class QComboBox;

namespace korvelo {

// The value's numbers across the jobs (x: the job's start in ms since the epoch), as read or
// as programmed (jobs that did not program it are left out). Texts that are no number are
// left out too.
QVector<QPointF> valueAcrossJobs(const QVector<record::Job>& jobs, const QString& page,
                                 const QString& name, bool programmed);

class HistoryChart : public QWidget {
    Q_OBJECT
  public:
    explicit HistoryChart(QWidget* parent = nullptr);

    // The radio's jobs, oldest first; the value list offers every numeric value among them and
    // keeps the chosen one where it can.
    void setJobs(QVector<record::Job> jobs);
    QComboBox* valueList() const { return values_; }
    QChart* chart() const;
    QChartView* view() const { return view_; }

  private:
    void draw();

    QVector<record::Job> jobs_;
    QComboBox* values_ = nullptr;
    QChartView* view_ = nullptr;
};

} // namespace korvelo
