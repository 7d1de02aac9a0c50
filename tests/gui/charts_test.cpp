// The two charts drawn from known data: a page's curves across the frequency points in the
// Values view (read, now, programmed), and one value across a radio's jobs in Radio History.
// With KORVELO_CHART_PICTURES set to a folder, each chart is also saved there as a picture
// (the manual's).
#include "catalogue/catalogue.h"
#include "gui/history_chart.h"
#include "gui/tuning_area_view.h"
#include "gui/values_chart.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QLineSeries>
#include <QTabWidget>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>

using namespace korvelo;

namespace {

QVector<QPointF> pointsOf(QChart* chart, const QString& name) {
    for (QAbstractSeries* s : chart->series())
        if (s->name() == name)
            return static_cast<QLineSeries*>(s)->points();
    ADD_FAILURE() << "no series " << name.toStdString();
    return {};
}

QStringList namesOf(QChart* chart) {
    QStringList names;
    for (QAbstractSeries* s : chart->series())
        names << s->name();
    return names;
}

void savePicture(QWidget& w, const QString& name) {
    const QString dir = qEnvironmentVariable("KORVELO_CHART_PICTURES");
    if (dir.isEmpty())
        return;
    QTest::qWait(100); // the chart lays its axes and legend out when the events come round
    w.grab().save(dir + "/" + name + ".png");
}

} // namespace

TEST(ValuesChart, APageShowsItsGroupsAcrossThePointsAsReadNowAndProgrammed) {
    // An AK2347 image read from a radio: Transmit Power's high-power row rises by two a point,
    // low power by one; point 3 of high power was moved to 60 and programmed.
    Session s;
    s.flags.isAk2347Radio = true;
    s.record.source = ImageSource::Radio;
    s.record.radioRead = true;
    s.radioType = 3;
    std::uint8_t highThree = 0;
    for (const CatalogueEntry& e : tuningCatalogue()) {
        if (e.page != "Transmit Power" || e.point == 0)
            continue;
        const std::uint8_t byte = e.bytes.at(0).byte;
        const bool high = e.curve == "High Power";
        s.record.asRead[byte] = static_cast<std::uint8_t>(high ? 30 + 2 * e.point : 10 + e.point);
        s.image[byte] = s.record.asRead[byte];
        if (high && e.point == 3)
            highThree = byte;
    }
    ASSERT_NE(highThree, 0);
    s.image[highThree] = 60;
    s.record.programmed[highThree] = 60;
    s.record.isProgrammed[highThree] = true;

    TuningAreaView view(s, nullptr);
    view.resize(900, 640);
    view.show();
    EXPECT_EQ(view.chartPage(), "Transmit Power"); // the first page with points
    QChart* chart = view.chart()->chart();
    EXPECT_EQ(chart->title(), "Transmit Power");
    EXPECT_EQ(namesOf(chart),
              QStringList({"High Power, read", "High Power, now", "High Power, programmed",
                           "Low Power, read", "Low Power, now"}));
    EXPECT_EQ(pointsOf(chart, "High Power, read"),
              QVector<QPointF>({{1, 32}, {2, 34}, {3, 36}, {4, 38}, {5, 40}}));
    EXPECT_EQ(pointsOf(chart, "High Power, now"),
              QVector<QPointF>({{1, 32}, {2, 34}, {3, 60}, {4, 38}, {5, 40}}));
    EXPECT_EQ(pointsOf(chart, "High Power, programmed"), QVector<QPointF>({{3, 60}}));
    EXPECT_EQ(pointsOf(chart, "Low Power, now"),
              QVector<QPointF>({{1, 11}, {2, 12}, {3, 13}, {4, 14}, {5, 15}}));
    savePicture(view, "values-chart");

    // Choosing a value of another page in the tree draws that page.
    QTreeView* tree = view.tree();
    QString squelch;
    for (int p = 0; p < tree->model()->rowCount() && squelch.isEmpty(); ++p) {
        const QModelIndex page = tree->model()->index(p, 0);
        if (page.data().toString().startsWith("Receive Squelch")) {
            squelch = page.data().toString();
            tree->setCurrentIndex(tree->model()->index(0, 0, page));
        }
    }
    ASSERT_FALSE(squelch.isEmpty());
    EXPECT_EQ(chart->title(), squelch);
    EXPECT_EQ(namesOf(chart), QStringList({"Normal Squelch, read", "Normal Squelch, now",
                                           "Tight Squelch, read", "Tight Squelch, now"}));
}

TEST(HistoryChart, AValueIsChartedAcrossTheRadiosJobsAsReadAndAsProgrammed) {
    QVector<record::Job> jobs;
    const QDateTime first = QDateTime(QDate(2026, 3, 2), QTime(9, 0), Qt::UTC);
    const int asRead[] = {40, 38, 35};
    for (int k = 0; k < 3; ++k) {
        record::Job j;
        j.started = first.addDays(120 * k);
        j.values.push_back({"Transmit Power", "High Power, point 1 (403.00000 MHz)",
                            QString::number(asRead[k]), "41", k != 1}); // job 2 programmed nothing
        j.values.push_back(
            {"Transmit Power", "Spare", "0x12", "", false}); // no number: not offered
        jobs.push_back(j);
    }
    HistoryChart chart;
    chart.resize(640, 400);
    chart.show();
    chart.setJobs(jobs);
    ASSERT_EQ(chart.valueList()->count(), 1);
    EXPECT_EQ(chart.valueList()->currentText(),
              "Transmit Power \u2014 High Power, point 1 (403.00000 MHz)");
    const auto ms = [&](int k) { return double(first.addDays(120 * k).toMSecsSinceEpoch()); };
    EXPECT_EQ(pointsOf(chart.chart(), "as read"),
              QVector<QPointF>({{ms(0), 40}, {ms(1), 38}, {ms(2), 35}}));
    EXPECT_EQ(pointsOf(chart.chart(), "as programmed"),
              QVector<QPointF>({{ms(0), 41}, {ms(2), 41}}));
    savePicture(chart, "history-chart");
    chart.setJobs({});
    EXPECT_EQ(chart.valueList()->count(), 0);
    EXPECT_TRUE(chart.chart()->series().isEmpty());
}
