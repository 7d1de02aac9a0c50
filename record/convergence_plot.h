#pragma once
// The picture of one automatic alignment row's search: the reading against the softpot value,
// one point per iteration in order, the target as a line and the limits as a band. The
// geometry is shared by the reports' picture (SVG, which the HTML holds and the PDF prints)
// and by the program's live chart (its axes' ranges).
#include "record/job.h"

#include <QPointF>
#include <QRectF>
#include <QString>
#include <QVector>

namespace korvelo::record {

struct ConvergenceGeometry {
    // The ranges shown: every point, the target and the limits, with a margin.
    double xLow = 0, xHigh = 1; // softpot values
    double yLow = 0, yHigh = 1; // readings
    QRectF area;                // the plotting area inside the picture
    QVector<QPointF> points;    // the iterations, in the picture's coordinates
    double targetY = 0;
    QRectF band; // low..high across the area

    QPointF at(double value, double reading) const;
};

// `steps` as (softpot value, reading). `size` is the whole picture's; the area leaves room
// for the axes' labels. Any size works for the ranges alone.
ConvergenceGeometry convergenceGeometry(const QVector<QPointF>& steps, double target, double low,
                                        double high, QSizeF size);

// The reading's search as an SVG picture (titled for screen readers), empty when the record
// kept no iterations for it (readings recorded before the iterations were kept).
QString convergenceSvg(const JobReading& reading);

} // namespace korvelo::record
