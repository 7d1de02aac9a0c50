#include "gui/convergence_chart.h"

#include "record/convergence_plot.h"
#include "record/report.h"

#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QHelpEvent>
#include <QLineSeries>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QVBoxLayout>
#include <QValueAxis>
#include <cmath>

namespace korvelo {

namespace {

constexpr int kMarkWidth = 18, kMarkHeight = 20, kGap = 2;

QString verdict(const testset::AlignRow& r) {
    return !r.done ? QStringLiteral("not run") : r.passed() ? QStringLiteral("PASS") : "FAIL";
}

// The decimals a unit's readings are shown with in the reports.
int decimalsOf(const std::string& unit) {
    const QString zero = record::fixedValue(0, QString::fromStdString(unit));
    const qsizetype dot = zero.indexOf(QLatin1Char('.'));
    return dot < 0 ? 0 : static_cast<int>(zero.indexOf(QLatin1Char(' ')) - dot - 1);
}

} // namespace

ResultStrip::ResultStrip(QWidget* parent) : QWidget(parent) {
    setAccessibleName(QStringLiteral("Finished rows"));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void ResultStrip::reset(const std::vector<testset::AlignRow>& rows) {
    rows_ = rows;
    describe();
    updateGeometry();
    update();
}

void ResultStrip::setRow(int i, const testset::AlignRow& row) {
    if (i < 0 || i >= static_cast<int>(rows_.size()))
        return;
    rows_[static_cast<std::size_t>(i)] = row;
    describe();
    update();
}

QString ResultStrip::marks() const {
    QString out;
    for (const testset::AlignRow& r : rows_)
        out += !r.done ? QLatin1Char('-') : r.passed() ? QLatin1Char('P') : QLatin1Char('F');
    return out;
}

void ResultStrip::describe() {
    QStringList done;
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].done)
            done << QStringLiteral("%1 %2").arg(QString::fromStdString(rows_[i].name),
                                                verdict(rows_[i]));
    setAccessibleDescription(done.isEmpty() ? QStringLiteral("No row has finished")
                                            : done.join(QStringLiteral("; ")));
}

QRect ResultStrip::markRect(int i) const {
    const int perLine = std::max(1, (width() + kGap) / (kMarkWidth + kGap));
    return {(i % perLine) * (kMarkWidth + kGap), (i / perLine) * (kMarkHeight + kGap), kMarkWidth,
            kMarkHeight};
}

int ResultStrip::markAt(QPoint p) const {
    for (int i = 0; i < static_cast<int>(rows_.size()); ++i)
        if (markRect(i).contains(p))
            return i;
    return -1;
}

int ResultStrip::heightForWidth(int width) const {
    const int perLine = std::max(1, (width + kGap) / (kMarkWidth + kGap));
    const int lines = std::max<int>(1, (static_cast<int>(rows_.size()) + perLine - 1) / perLine);
    return lines * (kMarkHeight + kGap);
}

QSize ResultStrip::sizeHint() const {
    return {10 * (kMarkWidth + kGap), heightForWidth(10 * (kMarkWidth + kGap))};
}

void ResultStrip::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QFont f = font();
    f.setBold(true);
    p.setFont(f);
    for (int i = 0; i < static_cast<int>(rows_.size()); ++i) {
        const testset::AlignRow& r = rows_[static_cast<std::size_t>(i)];
        const QRect box = markRect(i);
        // The letter says it; the colour only repeats it.
        const QColor fill = !r.done      ? palette().color(QPalette::Base)
                            : r.passed() ? QColor(0xD8, 0xF0, 0xD8)
                                         : QColor(0xF8, 0xD0, 0xD0);
        const QColor ink = !r.done      ? palette().color(QPalette::PlaceholderText)
                           : r.passed() ? QColor(0, 110, 0)
                                        : QColor(170, 0, 0);
        p.fillRect(box, fill);
        p.setPen(ink);
        p.drawRect(box.adjusted(0, 0, -1, -1));
        p.drawText(box, Qt::AlignCenter,
                   !r.done      ? QStringLiteral("\u00B7")
                   : r.passed() ? "P"
                                : "F");
    }
}

bool ResultStrip::event(QEvent* e) {
    if (e->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(e);
        const int i = markAt(help->pos());
        if (i >= 0) {
            const testset::AlignRow& r = rows_[static_cast<std::size_t>(i)];
            QToolTip::showText(help->globalPos(), QStringLiteral("%1: %2").arg(
                                                      QString::fromStdString(r.name), verdict(r)));
        } else {
            QToolTip::hideText();
        }
        return true;
    }
    return QWidget::event(e);
}

void ResultStrip::mousePressEvent(QMouseEvent* e) {
    const int i = markAt(e->position().toPoint());
    if (i >= 0)
        emit rowChosen(i);
}

ConvergenceChart::ConvergenceChart(QWidget* parent) : QWidget(parent) {
    setAccessibleName(QStringLiteral("Search of the current row"));
    auto* chart = new QChart;
    chart->legend()->setAlignment(Qt::AlignBottom);
    view_ = new QChartView(chart, this);
    view_->setRenderHint(QPainter::Antialiasing);
    view_->setAccessibleName(QStringLiteral("Chart of the reading against the value"));
    view_->setMinimumSize(280, 220);
    // A picture of what the table beside it holds: Tab passes it by.
    view_->setFocusPolicy(Qt::NoFocus);
    view_->viewport()->setFocusPolicy(Qt::NoFocus);

    // The limits band, the target line and the readings: told apart by fill, dashes and
    // markers as well as by colour, and named in the legend.
    high_ = new QLineSeries(this);
    low_ = new QLineSeries(this);
    limits_ = new QAreaSeries(high_, low_);
    limits_->setName(QStringLiteral("limits"));
    limits_->setBrush(QColor(0xDC, 0xEF, 0xDC));
    QPen bandPen(QColor(0x3A, 0x8A, 0x3A));
    bandPen.setStyle(Qt::DotLine);
    limits_->setPen(bandPen);
    target_ = new QLineSeries;
    target_->setName(QStringLiteral("target"));
    QPen targetPen(QColor(0x1F, 0x5F, 0xBF));
    targetPen.setWidthF(1.5);
    targetPen.setStyle(Qt::DashLine);
    target_->setPen(targetPen);
    readings_ = new QLineSeries;
    readings_->setName(QStringLiteral("readings"));
    readings_->setPen(QPen(QColor(0x20, 0x20, 0x20), 1.5));
    readings_->setPointsVisible(true);
    readings_->setMarkerSize(7);
    x_ = new QValueAxis;
    x_->setTitleText(QStringLiteral("Value"));
    x_->setLabelFormat(QStringLiteral("%d"));
    x_->setTickType(QValueAxis::TicksDynamic);
    y_ = new QValueAxis;
    y_->setTitleText(QStringLiteral("Reading"));
    chart->addAxis(x_, Qt::AlignBottom);
    chart->addAxis(y_, Qt::AlignLeft);
    for (QAbstractSeries* s :
         std::initializer_list<QAbstractSeries*>{limits_, target_, readings_}) {
        chart->addSeries(s);
        s->attachAxis(x_);
        s->attachAxis(y_);
    }
    chart->setTitle(QStringLiteral("No row running"));

    strip_ = new ResultStrip(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_, 1);
    layout->addWidget(strip_);
    connect(strip_, &ResultStrip::rowChosen, this, &ConvergenceChart::showRow);
    draw();
}

QChart* ConvergenceChart::chart() const {
    return view_->chart();
}

void ConvergenceChart::reset(const std::vector<testset::AlignRow>& rows) {
    rows_ = rows;
    shown_ = -1;
    strip_->reset(rows);
    draw();
}

void ConvergenceChart::addStep(int i, const testset::AlignStep& step) {
    if (i < 0 || i >= static_cast<int>(rows_.size()))
        return;
    rows_[static_cast<std::size_t>(i)].result.steps.push_back(step);
    shown_ = i;
    draw();
}

void ConvergenceChart::rowDone(int i, const testset::AlignRow& row) {
    if (i < 0 || i >= static_cast<int>(rows_.size()))
        return;
    rows_[static_cast<std::size_t>(i)] = row;
    strip_->setRow(i, row);
    if (i == shown_)
        draw();
}

void ConvergenceChart::showRow(int i) {
    if (i < 0 || i >= static_cast<int>(rows_.size()))
        return;
    shown_ = i;
    draw();
}

void ConvergenceChart::draw() {
    readings_->clear();
    target_->clear();
    high_->clear();
    low_->clear();
    const testset::AlignRow* row = shown_ >= 0 ? &rows_[static_cast<std::size_t>(shown_)] : nullptr;
    if (!row || !row->limit) {
        chart()->setTitle(
            row ? QStringLiteral("%1: no limit").arg(QString::fromStdString(row->name))
                : QStringLiteral("No row running"));
        view_->setAccessibleDescription(chart()->title());
        x_->setRange(0, 1);
        y_->setRange(0, 1);
        return;
    }
    const testset::Limit& l = *row->limit;
    QVector<QPointF> steps;
    for (const testset::AlignStep& s : row->result.steps)
        steps.push_back({double(s.value), s.reading});
    // The ranges the reports' picture of the same search has.
    const record::ConvergenceGeometry g =
        record::convergenceGeometry(steps, l.target, l.low, l.high, QSizeF(100, 100));
    x_->setRange(g.xLow, g.xHigh);
    // Ticks on whole values only: a softpot has no value between two steps.
    x_->setTickAnchor(g.xLow);
    x_->setTickInterval(std::max(1.0, std::ceil((g.xHigh - g.xLow) / 6)));
    y_->setRange(g.yLow, g.yHigh);
    const int decimals = decimalsOf(l.unit);
    y_->setLabelFormat(QStringLiteral("%.%1f").arg(decimals));
    y_->setTitleText(QStringLiteral("Reading (%1)").arg(QString::fromStdString(l.unit)));
    readings_->append(steps);
    target_->append({{g.xLow, l.target}, {g.xHigh, l.target}});
    high_->append({{g.xLow, l.high}, {g.xHigh, l.high}});
    low_->append({{g.xLow, l.low}, {g.xHigh, l.low}});
    const QString name = QString::fromStdString(row->name);
    chart()->setTitle(row->done ? QStringLiteral("%1 \u2014 %2").arg(name, verdict(*row)) : name);
    QString said = QStringLiteral("%1: %2 iteration(s)").arg(name).arg(steps.size());
    if (!steps.isEmpty())
        said += QStringLiteral(", last %1 %2 at value %3")
                    .arg(steps.back().y(), 0, 'f', decimals)
                    .arg(QString::fromStdString(l.unit))
                    .arg(steps.back().x());
    view_->setAccessibleDescription(said);
}

} // namespace korvelo
