#include "record/convergence_plot.h"

#include "record/report.h"

#include <QSizeF>
#include <algorithm>
#include <cmath>

namespace korvelo::record {

namespace {

constexpr double kLeft = 64, kRight = 12, kTop = 10, kBottom = 32; // room for the labels
constexpr int kWidth = 340, kHeight = 190;

QString n(double v) {
    return QString::number(v, 'f', 1);
}

QString esc(const QString& s) {
    return s.toHtmlEscaped();
}

QString text(double x, double y, const QString& s, const char* anchor, const QString& extra = {}) {
    return QStringLiteral("<text x=\"%1\" y=\"%2\" text-anchor=\"%3\"%4>%5</text>\n")
        .arg(n(x), n(y), QLatin1String(anchor), extra, esc(s));
}

} // namespace

QPointF ConvergenceGeometry::at(double value, double reading) const {
    return {area.left() + (value - xLow) / (xHigh - xLow) * area.width(),
            area.bottom() - (reading - yLow) / (yHigh - yLow) * area.height()};
}

ConvergenceGeometry convergenceGeometry(const QVector<QPointF>& steps, double target, double low,
                                        double high, QSizeF size) {
    ConvergenceGeometry g;
    double x0 = INFINITY, x1 = -INFINITY;
    double y0 = std::min({low, high, target}), y1 = std::max({low, high, target});
    for (const QPointF& p : steps) {
        x0 = std::min(x0, p.x());
        x1 = std::max(x1, p.x());
        y0 = std::min(y0, p.y());
        y1 = std::max(y1, p.y());
    }
    if (x0 > x1)
        x0 = x1 = 0;
    // Whole softpot steps either side, so that the first and last points are off the frame.
    const double xMargin = std::max(1.0, std::ceil((x1 - x0) * 0.1));
    g.xLow = x0 - xMargin;
    g.xHigh = x1 + xMargin;
    const double yMargin = y1 > y0 ? (y1 - y0) * 0.12 : std::max(std::fabs(y0) * 0.1, 1.0);
    g.yLow = y0 - yMargin;
    g.yHigh = y1 + yMargin;
    g.area = QRectF(kLeft, kTop, std::max(1.0, size.width() - kLeft - kRight),
                    std::max(1.0, size.height() - kTop - kBottom));
    for (const QPointF& p : steps)
        g.points.push_back(g.at(p.x(), p.y()));
    g.targetY = g.at(g.xLow, target).y();
    g.band = QRectF(QPointF(g.area.left(), g.at(g.xLow, std::max(low, high)).y()),
                    QPointF(g.area.right(), g.at(g.xLow, std::min(low, high)).y()));
    return g;
}

QString convergenceSvg(const JobReading& r) {
    if (r.steps.isEmpty())
        return {};
    QVector<QPointF> steps;
    for (const JobStep& s : r.steps)
        steps.push_back({double(s.value), s.reading});
    const ConvergenceGeometry g =
        convergenceGeometry(steps, r.target, r.low, r.high, QSizeF(kWidth, kHeight));
    const QString title =
        QStringLiteral("%1: %2 against the value, %3 iteration(s), target %4, limits %5 to %6, "
                       "%7")
            .arg(r.value, r.quantity)
            .arg(r.steps.size())
            .arg(fixedValue(r.target, r.unit), fixedValue(r.low, r.unit),
                 fixedValue(r.high, r.unit), r.pass ? "PASS" : "FAIL");
    QString svg = QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" "
                                 "height=\"%2\" viewBox=\"0 0 %1 %2\" role=\"img\" "
                                 "aria-label=\"%3\" font-family=\"sans-serif\" "
                                 "font-size=\"10\">\n<title>%3</title>\n")
                      .arg(kWidth)
                      .arg(kHeight)
                      .arg(esc(title));
    const QRectF& a = g.area;
    auto rect = [](const QRectF& q, const char* style) {
        return QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" %5/>\n")
            .arg(n(q.x()), n(q.y()), n(q.width()), n(q.height()), QLatin1String(style));
    };
    svg += rect(a, "fill=\"#ffffff\" stroke=\"#808080\"");
    // The limits band, and the target across it: told apart by fill and dashes, and by their
    // labels, not by colour alone.
    svg += rect(g.band, "fill=\"#dcefdc\" stroke=\"#3a8a3a\" stroke-dasharray=\"2 2\"");
    svg += QStringLiteral("<line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%2\" stroke=\"#1f5fbf\" "
                          "stroke-width=\"1.5\" stroke-dasharray=\"8 4\"/>\n")
               .arg(n(a.left()), n(g.targetY), n(a.right()));
    svg += text(a.left() + 3, g.targetY - 3, QStringLiteral("target"), "start",
                QStringLiteral(" fill=\"#1f5fbf\""));
    svg += text(a.right() - 3, g.band.bottom() - 3, QStringLiteral("limits"), "end",
                QStringLiteral(" fill=\"#2a6a2a\""));
    // The reading axis: the limits, the target and the farthest readings, a label only where
    // it has room.
    double least = r.steps.front().reading, most = least;
    for (const JobStep& s : r.steps) {
        least = std::min(least, s.reading);
        most = std::max(most, s.reading);
    }
    QVector<double> labelled;
    for (double v : {r.high, r.target, r.low, most, least}) {
        const double y = g.at(g.xLow, v).y();
        if (std::any_of(labelled.begin(), labelled.end(),
                        [y](double o) { return std::fabs(o - y) < 11; }))
            continue;
        labelled.push_back(y);
        svg += text(a.left() - 4, y + 3.5, fixedValue(v, r.unit), "end");
    }
    // The value axis: the values tried.
    QVector<double> xs;
    for (const JobStep& s : r.steps) {
        const double x = g.at(s.value, 0).x();
        if (std::any_of(xs.begin(), xs.end(), [x](double o) { return std::fabs(o - x) < 22; }))
            continue;
        xs.push_back(x);
        svg += text(x, a.bottom() + 12, QString::number(s.value), "middle");
    }
    svg += text(a.center().x(), a.bottom() + 26, QStringLiteral("Value"), "middle");
    svg += text(12, a.center().y(), QStringLiteral("Reading (%1)").arg(r.unit), "middle",
                QStringLiteral(" transform=\"rotate(-90 12 %1)\"").arg(n(a.center().y())));
    // The iterations in order, the last (the value kept or refused) ringed.
    QString line;
    for (const QPointF& p : g.points)
        line += QStringLiteral("%1,%2 ").arg(n(p.x()), n(p.y()));
    svg += QStringLiteral("<polyline points=\"%1\" fill=\"none\" stroke=\"#202020\" "
                          "stroke-width=\"1.2\"/>\n")
               .arg(line.trimmed());
    for (const QPointF& p : g.points)
        svg += QStringLiteral("<circle cx=\"%1\" cy=\"%2\" r=\"3\" fill=\"#202020\"/>\n")
                   .arg(n(p.x()), n(p.y()));
    svg += QStringLiteral("<circle cx=\"%1\" cy=\"%2\" r=\"6\" fill=\"none\" stroke=\"%3\" "
                          "stroke-width=\"1.5\"/>\n")
               .arg(n(g.points.back().x()), n(g.points.back().y()),
                    QLatin1String(r.pass ? "#006e00" : "#aa0000"));
    return svg + QStringLiteral("</svg>\n");
}

} // namespace korvelo::record
