#pragma once
// The Values view's chart: one page's softpot values across its frequency points, as read, as
// they are now and as programmed, so that a point off the curve shows at a glance.
#include "gui/page_curves.h"

#include <QWidget>

class QChart;
class QChartView;
class QLabel;

namespace korvelo {

class ValuesChart : public QWidget {
    Q_OBJECT
  public:
    explicit ValuesChart(QWidget* parent = nullptr);

    void showPage(const PageCurves& curves);
    QChart* chart() const;
    QChartView* view() const { return view_; }

  private:
    QChartView* view_ = nullptr;
};

} // namespace korvelo
