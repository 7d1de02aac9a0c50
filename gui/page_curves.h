#pragma once
// The softpot values of one page across its frequency points, as curves: for every row group
// ("High Power") the values as read, as the image holds them now, and as programmed since
// Tuning Init. Plain data, drawn by ValuesChart.
#include "radio/radio_state.h"

#include <QPointF>
#include <QString>
#include <QStringList>
#include <QVector>

namespace korvelo {

struct Curve {
    enum Kind { Read, Now, Programmed };
    QString group; // the rows' group
    Kind kind = Read;
    QVector<QPointF> points; // x: frequency point 1..5, y: the value as the page shows it
    QString name() const;    // "High Power, read"
};

struct PageCurves {
    QString page;
    QVector<Curve> curves; // per group: read, now, programmed (only when any point was)
};

// The pages of this radio that have frequency points, in the catalogue's order.
QStringList curvePages(const Session& session);
PageCurves pageCurves(const Session& session, const QString& page);

} // namespace korvelo
