#pragma once
// Auto Align's picture of the search: the current row's readings against the softpot value,
// one point per iteration as it is read, with the target line and the limits band; below it
// the finished rows as a strip of PASS and FAIL marks (a letter in each, not colour alone).
// Choosing a row in the table, or its mark, shows that row's search.
#include "testset/align_run.h"

#include <QWidget>
#include <vector>

class QAreaSeries;
class QChart;
class QChartView;
class QLineSeries;
class QValueAxis;

namespace korvelo {

class ResultStrip : public QWidget {
    Q_OBJECT
  public:
    explicit ResultStrip(QWidget* parent = nullptr);
    void reset(const std::vector<testset::AlignRow>& rows);
    void setRow(int i, const testset::AlignRow& row);
    // One letter a row: P passed, F failed, - not run yet.
    QString marks() const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;

  signals:
    void rowChosen(int row);

  protected:
    void paintEvent(QPaintEvent*) override;
    bool event(QEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;

  private:
    QRect markRect(int i) const;
    int markAt(QPoint p) const;
    void describe();

    std::vector<testset::AlignRow> rows_;
};

class ConvergenceChart : public QWidget {
    Q_OBJECT
  public:
    explicit ConvergenceChart(QWidget* parent = nullptr);

    // A new plan: nothing shown, every row not run.
    void reset(const std::vector<testset::AlignRow>& rows);
    // Row i read one more iteration: the chart shows row i with it.
    void addStep(int i, const testset::AlignStep& step);
    // Row i has finished: its mark in the strip.
    void rowDone(int i, const testset::AlignRow& row);
    // Shows row i's iterations so far.
    void showRow(int i);
    int shownRow() const { return shown_; }

    QChart* chart() const;
    QChartView* view() const { return view_; }
    ResultStrip* strip() const { return strip_; }

  private:
    void draw();

    std::vector<testset::AlignRow> rows_;
    int shown_ = -1;
    QChartView* view_ = nullptr;
    QLineSeries* readings_ = nullptr;
    QLineSeries* target_ = nullptr;
    QLineSeries* high_ = nullptr;
    QLineSeries* low_ = nullptr;
    QAreaSeries* limits_ = nullptr;
    QValueAxis* x_ = nullptr;
    QValueAxis* y_ = nullptr;
    ResultStrip* strip_ = nullptr;
};

} // namespace korvelo
