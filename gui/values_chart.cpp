#include "gui/values_chart.h"

#include <QChart>
#include <QChartView>
#include <QGraphicsLayout>
#include <QLineSeries>
#include <QVBoxLayout>
#include <QValueAxis>
#include <cmath>

namespace korvelo {

namespace {

// A colour per group; the three kinds by line style and marker, so that colour is never the
// only cue (and the legend names each).
QPen curvePen(int group, Curve::Kind kind) {
    static const QColor colours[] = {QColor(0x1F, 0x5F, 0xBF), QColor(0xC0, 0x50, 0x10),
                                     QColor(0x20, 0x80, 0x40), QColor(0x80, 0x30, 0xA0)};
    QPen pen(colours[group % 4]);
    pen.setWidthF(kind == Curve::Now ? 2.5 : 1.5);
    pen.setStyle(kind == Curve::Read ? Qt::DashLine
                                     : (kind == Curve::Now ? Qt::SolidLine : Qt::DotLine));
    return pen;
}

} // namespace

ValuesChart::ValuesChart(QWidget* parent) : QWidget(parent) {
    setAccessibleName(QStringLiteral("Values across the frequency points"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    view_ = new QChartView(new QChart, this);
    view_->setRenderHint(QPainter::Antialiasing);
    view_->setAccessibleName(QStringLiteral("Chart of the page's values"));
    // Room for the plot itself: below about 220 pixels Qt Charts elides every axis label.
    view_->setMinimumHeight(220);
    view_->chart()->setMargins(QMargins(4, 2, 4, 2));
    view_->chart()->setBackgroundRoundness(0);
    view_->chart()->layout()->setContentsMargins(0, 0, 0, 0);
    // A picture of what the list beside it holds: Tab passes it by.
    view_->setFocusPolicy(Qt::NoFocus);
    view_->viewport()->setFocusPolicy(Qt::NoFocus);
    view_->chart()->legend()->setAlignment(Qt::AlignRight);
    layout->addWidget(view_);
}

QChart* ValuesChart::chart() const {
    return view_->chart();
}

void ValuesChart::showPage(const PageCurves& page) {
    QChart* c = chart();
    c->removeAllSeries();
    for (QAbstractAxis* axis : c->axes())
        c->removeAxis(axis);
    c->setTitle(page.page.isEmpty() ? QStringLiteral("No page with frequency points") : page.page);
    if (page.curves.isEmpty())
        return;
    auto* x = new QValueAxis;
    x->setTitleText(QStringLiteral("Frequency point"));
    x->setLabelFormat(QStringLiteral("%d"));
    auto* y = new QValueAxis;
    y->setTitleText(QStringLiteral("Value"));
    c->addAxis(x, Qt::AlignBottom);
    c->addAxis(y, Qt::AlignLeft);
    double low = INFINITY, high = -INFINITY;
    int first = 5, last = 1;
    QStringList groups;
    for (const Curve& curve : page.curves) {
        if (!groups.contains(curve.group))
            groups << curve.group;
        auto* s = new QLineSeries;
        s->setName(curve.name());
        s->append(curve.points);
        s->setPen(curvePen(static_cast<int>(groups.indexOf(curve.group)), curve.kind));
        s->setPointsVisible(true);
        c->addSeries(s);
        s->attachAxis(x);
        s->attachAxis(y);
        for (const QPointF& p : curve.points) {
            low = std::min(low, p.y());
            high = std::max(high, p.y());
            first = std::min(first, static_cast<int>(p.x()));
            last = std::max(last, static_cast<int>(p.x()));
        }
    }
    if (low > high)
        low = high = 0;
    const double margin = std::max((high - low) * 0.1, 1.0);
    y->setRange(low - margin, high + margin);
    y->applyNiceNumbers();
    x->setRange(first, std::max(last, first + 1));
    x->setTickCount(std::max(last, first + 1) - first + 1);
}

} // namespace korvelo
