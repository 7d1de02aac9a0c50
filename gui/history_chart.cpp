#include "gui/history_chart.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateTimeAxis>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <QValueAxis>
#include <cmath>

namespace korvelo {

namespace {

// "Page — value", the list's text; the page and the name are its data.
QString entryText(const record::JobValue& v) {
    return v.page + QStringLiteral(" \u2014 ") + v.name;
}

} // namespace

QVector<QPointF> valueAcrossJobs(const QVector<record::Job>& jobs, const QString& page,
                                 const QString& name, bool programmed) {
    QVector<QPointF> points;
    for (const record::Job& j : jobs) {
        for (const record::JobValue& v : j.values) {
            if (v.page != page || v.name != name || (programmed && !v.programmed))
                continue;
            bool ok = false;
            const double y = (programmed ? v.asProgrammed : v.asRead).toDouble(&ok);
            if (ok)
                points.push_back(QPointF(static_cast<double>(j.started.toMSecsSinceEpoch()), y));
            break;
        }
    }
    return points;
}

HistoryChart::HistoryChart(QWidget* parent) : QWidget(parent) {
    setAccessibleName(QStringLiteral("Value across the radio's jobs"));
    auto* label = new QLabel(QStringLiteral("&Value:"), this);
    values_ = new QComboBox(this);
    values_->setAccessibleName(QStringLiteral("Value to chart"));
    values_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    values_->setMinimumContentsLength(24);
    label->setBuddy(values_);
    auto* top = new QHBoxLayout;
    top->addWidget(label);
    top->addWidget(values_, 1);
    view_ = new QChartView(new QChart, this);
    view_->setRenderHint(QPainter::Antialiasing);
    view_->setAccessibleName(QStringLiteral("Chart of the value across the jobs"));
    view_->chart()->legend()->setAlignment(Qt::AlignBottom);
    view_->setFocusPolicy(Qt::NoFocus); // a picture; the value list takes the keyboard
    view_->viewport()->setFocusPolicy(Qt::NoFocus);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(view_, 1);
    connect(values_, &QComboBox::currentIndexChanged, this, [this] { draw(); });
}

QChart* HistoryChart::chart() const {
    return view_->chart();
}

void HistoryChart::setJobs(QVector<record::Job> jobs) {
    jobs_ = std::move(jobs);
    const QString chosen = values_->currentText();
    const QSignalBlocker block(values_);
    values_->clear();
    QStringList seen;
    for (const record::Job& j : jobs_) {
        for (const record::JobValue& v : j.values) {
            bool ok = false;
            v.asRead.toDouble(&ok);
            const QString text = entryText(v);
            if (!ok || seen.contains(text))
                continue;
            seen << text;
            values_->addItem(text, QStringList{v.page, v.name});
        }
    }
    const int again = values_->findText(chosen);
    values_->setCurrentIndex(again >= 0 ? again : (values_->count() > 0 ? 0 : -1));
    draw();
}

void HistoryChart::draw() {
    QChart* c = chart();
    c->removeAllSeries();
    for (QAbstractAxis* axis : c->axes())
        c->removeAxis(axis);
    const QStringList key = values_->currentData().toStringList();
    if (key.size() != 2) {
        c->setTitle(QStringLiteral("No value to chart"));
        return;
    }
    c->setTitle(values_->currentText());
    auto* x = new QDateTimeAxis;
    x->setFormat(QStringLiteral("yyyy-MM-dd"));
    x->setTitleText(QStringLiteral("Job started"));
    auto* y = new QValueAxis;
    y->setTitleText(QStringLiteral("Value"));
    c->addAxis(x, Qt::AlignBottom);
    c->addAxis(y, Qt::AlignLeft);
    double low = INFINITY, high = -INFINITY, first = INFINITY, last = -INFINITY;
    for (const bool programmed : {false, true}) {
        auto* s = new QLineSeries;
        s->setName(programmed ? QStringLiteral("as programmed") : QStringLiteral("as read"));
        QPen pen(programmed ? QColor(0x20, 0x80, 0x40) : QColor(0x1F, 0x5F, 0xBF));
        pen.setWidthF(2);
        pen.setStyle(programmed ? Qt::SolidLine : Qt::DashLine);
        s->setPen(pen);
        s->setPointsVisible(true);
        const QVector<QPointF> points = valueAcrossJobs(jobs_, key[0], key[1], programmed);
        s->append(points);
        c->addSeries(s);
        s->attachAxis(x);
        s->attachAxis(y);
        for (const QPointF& p : points) {
            low = std::min(low, p.y());
            high = std::max(high, p.y());
            first = std::min(first, p.x());
            last = std::max(last, p.x());
        }
    }
    if (low > high)
        return;
    const double margin = std::max((high - low) * 0.1, 1.0);
    y->setRange(low - margin, high + margin);
    y->applyNiceNumbers();
    const qint64 day = 24LL * 3600 * 1000; // a day either side, so one job is not on the edge
    x->setRange(QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(first) - day),
                QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(last) + day));
}

} // namespace korvelo
