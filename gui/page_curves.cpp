#include "gui/page_curves.h"

#include "catalogue/catalogue.h"

#include <algorithm>

namespace korvelo {

namespace {

bool programmed(const Session& s, const CatalogueEntry& e) {
    for (const ByteClaim& c : e.bytes)
        if (!s.record.isProgrammed[c.byte])
            return false;
    return true;
}

bool onCurve(const CatalogueEntry& e, const Session& s) {
    return e.point > 0 && appliesTo(e, s.flags.isAk2347Radio);
}

} // namespace

QString Curve::name() const {
    static const char* const kinds[] = {"read", "now", "programmed"};
    return group + QStringLiteral(", ") + QLatin1String(kinds[kind]);
}

QStringList curvePages(const Session& session) {
    QStringList pages;
    if (session.record.source == ImageSource::None)
        return pages;
    for (const CatalogueEntry& e : tuningCatalogue()) {
        const QString page = QString::fromStdString(e.page);
        if (onCurve(e, session) && !pages.contains(page))
            pages << page;
    }
    return pages;
}

PageCurves pageCurves(const Session& session, const QString& page) {
    PageCurves out{page, {}};
    if (session.record.source == ImageSource::None)
        return out;
    auto curve = [&out](const QString& group, Curve::Kind kind) -> Curve& {
        for (Curve& c : out.curves)
            if (c.group == group && c.kind == kind)
                return c;
        out.curves.push_back({group, kind, {}});
        return out.curves.back();
    };
    for (const CatalogueEntry& e : tuningCatalogue()) {
        if (!onCurve(e, session) || QString::fromStdString(e.page) != page)
            continue;
        const QString group = QString::fromStdString(e.curve);
        auto add = [&](Curve::Kind kind, const TuningImage& image) {
            bool ok = false;
            const double v = QString::fromStdString(e.value(image)).toDouble(&ok);
            if (ok)
                curve(group, kind).points.push_back(QPointF(e.point, v));
        };
        add(Curve::Read, session.record.asRead);
        add(Curve::Now, session.image);
        curve(group, Curve::Programmed); // in its place, even while empty
        if (programmed(session, e))
            add(Curve::Programmed, session.record.programmed);
    }
    // A group whose rows were never programmed has no third curve.
    out.curves.erase(std::remove_if(out.curves.begin(), out.curves.end(),
                                    [](const Curve& c) {
                                        return c.kind == Curve::Programmed && c.points.isEmpty();
                                    }),
                     out.curves.end());
    return out;
}

} // namespace korvelo
