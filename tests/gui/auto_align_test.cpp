// Alignment > Auto Align through its real widgets: the simulated radio on a pseudo-terminal, the
// simulated test set on TCP, the program's own clock on this thread and the run on its own.
#include "gui/auto_align_dialog.h"
#include "gui/convergence_chart.h"
#include "gui/gui_clock.h"
#include "gui/transmit_banner.h"
#include "link/port_provider.h"
#include "link/reply_objects.h"
#include "link/traffic_log.h"
#include "radio/tuning_start.h"
#include "sim/pty_radio.h"
#include "sim/testset_server.h"

#include "gui_test_support.h"

#include "support/scratch_dir.h"
#include "testset/limits.h"

#include <QAbstractItemModelTester>
#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QWindow>
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>

namespace korvelo {
namespace {

template <class W> W* named(QWidget& parent, const QString& name) {
    for (W* w : parent.findChildren<W*>())
        if (w->accessibleName() == name)
            return w;
    return nullptr;
}

// The rig every test here uses: the radio after Tuning Init, the test set measuring it.
struct Bench {
    sim::PtyRadio radio;
    sim::TestSetServer server{radio};
    std::unique_ptr<FixedPortProvider> ports;
    ReplyObjects replies;
    TrafficLog traffic; // what the traffic dock shows
    RecordingNotifier notifier;
    GuiClock clock;
    Session session;
    std::unique_ptr<AppEnv> env;

    void start() {
        std::string why;
        ASSERT_TRUE(radio.start(&why)) << why;
        ASSERT_TRUE(server.start(0, &why)) << why;
        ports = std::make_unique<FixedPortProvider>(radio.devicePath());
        replies.setTrace(&traffic);
        env = std::make_unique<AppEnv>(AppEnv{session, replies, clock, notifier, *ports});
        TuningInit(*env);
        ASSERT_TRUE(session.flags.imageLoaded);
        notifier.notices.clear(); // "Radio has been successfully read !!"
    }
    ~Bench() {
        replies.setTrace(nullptr);
        server.stop();
        radio.stop();
    }
    bool keyed() {
        return radio.withModel([](sim::RadioModel& m) { return m.pttOn; });
    }
    // The last PTT frame the radio received: 0x81 on, 0x82 off, 0 none.
    int lastPtt() {
        int last = 0;
        for (const auto& f : radio.withModel([](sim::RadioModel& m) { return m.receivedFrames(); }))
            if (f.size() == 5 && f[0] == 0x02 && f[1] == 0x02 && (f[2] == 0x81 || f[2] == 0x82))
                last = f[2];
        return last;
    }
};

QLineSeries* seriesNamed(QChart* chart, const QString& name) {
    for (QAbstractSeries* s : chart->series())
        if (s->name() == name)
            return qobject_cast<QLineSeries*>(s);
    return nullptr;
}

// The chart shows table row `i`'s search: a point per iteration the run read, in order (sent
// live from the run's thread, the table's row from its result), the target line and the
// limits band.
void expectChartOfRow(AutoAlignDialog& dialog, int i) {
    SCOPED_TRACE(i);
    ConvergenceChart* convergence = dialog.convergenceChart();
    QChart* chart = convergence->chart();
    const testset::AlignRow& row = dialog.table().row(i);
    ASSERT_TRUE(row.limit);
    EXPECT_EQ(convergence->shownRow(), i);
    EXPECT_TRUE(chart->title().startsWith(QString::fromStdString(row.name)));
    QLineSeries* readings = seriesNamed(chart, "readings");
    QLineSeries* target = seriesNamed(chart, "target");
    ASSERT_TRUE(readings && target);
    const QVector<QPointF> points = readings->points();
    ASSERT_EQ(points.size(), row.result.iterations);
    ASSERT_GE(points.size(), 1);
    for (qsizetype k = 0; k < points.size(); ++k) {
        EXPECT_EQ(points[k].x(), row.result.steps[static_cast<std::size_t>(k)].value) << k;
        EXPECT_EQ(points[k].y(), row.result.steps[static_cast<std::size_t>(k)].reading) << k;
    }
    // The last point is the value and reading the table shows.
    EXPECT_EQ(points.back().x(), dialog.table().index(i, AlignTableModel::New).data().toInt());
    EXPECT_EQ(points.back().y(), *row.result.reading);
    ASSERT_EQ(target->count(), 2);
    EXPECT_EQ(target->at(0).y(), row.limit->target);
    EXPECT_EQ(target->at(1).y(), row.limit->target);
    QAreaSeries* band = nullptr;
    for (QAbstractSeries* s : chart->series())
        if (s->name() == "limits")
            band = qobject_cast<QAreaSeries*>(s);
    ASSERT_TRUE(band && band->upperSeries() && band->lowerSeries());
    EXPECT_EQ(band->upperSeries()->at(0).y(), row.limit->high);
    EXPECT_EQ(band->lowerSeries()->at(0).y(), row.limit->low);
    // Every point within the band's and the target's span.
    for (const QPointF& p : points)
        EXPECT_TRUE(p.x() > target->at(0).x() && p.x() < target->at(1).x()) << p.x();
}

// Leaves only the power procedure checked, through the keyboard.
void powerOnly(AutoAlignDialog& dialog) {
    for (const char* other : {"deviation", "squelch"}) {
        QCheckBox* box = named<QCheckBox>(dialog, QStringLiteral("Procedure %1").arg(other));
        ASSERT_TRUE(box && box->isChecked()) << other;
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Space);
        EXPECT_FALSE(box->isChecked());
    }
}

// Power only: another band's limits file is refused before anything is sent; then ten rows
// fill the table with PASS while the window stays live, and Program writes them into the radio.
TEST(AutoAlignDialog, RefusesAnotherBandsLimitsThenAlignsAndPrograms) {
    Bench bench;
    bench.start();
    AutoAlignDialog dialog(*bench.env, bench.server.address());
    QAbstractItemModelTester tester(&dialog.table(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    dialog.show();
    powerOnly(dialog);
    QPushButton* start = named<QPushButton>(dialog, QStringLiteral("Start alignment"));
    QPushButton* program = named<QPushButton>(dialog, QStringLiteral("Program the passed values"));
    auto* progress = named<QProgressBar>(dialog, QStringLiteral("Alignment progress"));
    auto* limitsFile = named<QLineEdit>(dialog, QStringLiteral("Limits file"));
    auto* status = named<QLabel>(dialog, QStringLiteral("Alignment status"));
    ASSERT_TRUE(start && program && progress && limitsFile && status);
    EXPECT_FALSE(program->isEnabled());

    // The simulated radio is a VHF one (type 0): the UHF file is refused.
    ScratchDir dir("korvelo-auto-align");
    const std::string uhf = (dir / "uhf.json").string();
    {
        std::ofstream f(uhf);
        f << testset::shippedLimitsFiles().at("uhf.json");
    }
    limitsFile->setText(QString::fromStdString(uhf));
    bench.radio.withModel([](sim::RadioModel& m) { m.clearReceived(); });
    QTest::mouseClick(start, Qt::LeftButton);
    EXPECT_FALSE(dialog.running());
    EXPECT_TRUE(status->text().contains(QStringLiteral("not for this radio: radio type 0")))
        << status->text().toStdString();
    EXPECT_EQ(dialog.table().rowCount(), 0);
    EXPECT_TRUE(
        bench.radio.withModel([](sim::RadioModel& m) { return m.receivedFrames(); }).empty());
    limitsFile->clear();

    QTest::mouseClick(start, Qt::LeftButton);
    EXPECT_TRUE(dialog.running());
    const AlignTableModel& table = dialog.table();
    ASSERT_EQ(table.rowCount(), 10);
    // While a row has the transmitter keyed, the window says so in words, not only in red.
    const TransmitBanner* banner = dialog.transmitBanner();
    EXPECT_TRUE(QTest::qWaitFor([&] { return banner->isVisible(); }, 30000));
    EXPECT_EQ(banner->accessibleName(), "Transmitting");
    EXPECT_TRUE(banner->text().startsWith(QStringLiteral("TRANSMITTING \u2014 ")) &&
                banner->text().contains(" MHz"))
        << banner->text().toStdString();
    // The chart follows the row under way: its points come as they are read, before the row
    // has finished.
    ConvergenceChart* convergence = dialog.convergenceChart();
    QLineSeries* readings = seriesNamed(convergence->chart(), "readings");
    ASSERT_TRUE(readings);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            const int shown = convergence->shownRow();
            return shown >= 0 && !table.row(shown).done && readings->count() > 0;
        },
        30000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog.running(); }, 90000));
    EXPECT_FALSE(banner->isVisible()) << "unkeyed at the end";
    EXPECT_EQ(dialog.summaryLine()->text(), "10 passed, 0 failed, 0 not run");
    // At the default size the Result column and the limits are in view without scrolling, the
    // limits on one line.
    QHeaderView* header = dialog.tableView()->horizontalHeader();
    const QRect viewport = dialog.tableView()->viewport()->rect();
    const QRect result(header->sectionViewportPosition(AlignTableModel::Result), 0,
                       header->sectionSize(AlignTableModel::Result), 1);
    EXPECT_TRUE(viewport.contains(result))
        << result.x() << "+" << result.width() << " in " << viewport.width();
    EXPECT_EQ(header->visualIndex(AlignTableModel::Result), 1);
    const int limitsEnd = header->sectionViewportPosition(AlignTableModel::Limits) +
                          header->sectionSize(AlignTableModel::Limits);
    EXPECT_LE(limitsEnd, viewport.width());
    EXPECT_GE(header->sectionSize(AlignTableModel::Limits),
              dialog.tableView()->fontMetrics().horizontalAdvance(
                  table.index(0, AlignTableModel::Limits).data().toString()));
    EXPECT_EQ(progress->value(), 10);
    // Beside the table, the last row's search; below it a PASS mark (a letter) for each row.
    EXPECT_EQ(convergence->strip()->marks(), "PPPPPPPPPP");
    EXPECT_EQ(convergence->strip()->accessibleName(), "Finished rows");
    EXPECT_FALSE(convergence->view()->accessibleName().isEmpty());
    expectChartOfRow(dialog, 9);
    if (const QString dir = qEnvironmentVariable("KORVELO_CHART_PICTURES"); !dir.isEmpty()) {
        QTest::qWait(100); // the chart lays its axes out when the events come round
        dialog.grab().save(dir + "/auto-align.png");
    }
    // Choosing the second row in the table, by keys, shows its search.
    dialog.tableView()->setFocus();
    QTest::keyClick(dialog.tableView(), Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClick(dialog.tableView(), Qt::Key_Down);
    ASSERT_EQ(dialog.tableView()->currentIndex().row(), 1);
    expectChartOfRow(dialog, 1);
    EXPECT_TRUE(status->text().startsWith(QStringLiteral("Alignment completed")))
        << status->text().toStdString();
    std::vector<int> values;
    for (int r = 0; r < 10; ++r) {
        EXPECT_EQ(table.index(r, AlignTableModel::Result).data().toString(), "PASS") << r;
        values.push_back(table.index(r, AlignTableModel::New).data().toInt());
    }
    // The test set's lines and the radio's frames in one traffic log.
    int toTestSet = 0, fromTestSet = 0, frames = 0;
    for (const TrafficEvent& e : bench.traffic.take()) {
        toTestSet += e.kind == TrafficEvent::Kind::ToTestSet;
        fromTestSet += e.kind == TrafficEvent::Kind::FromTestSet;
        frames += e.kind == TrafficEvent::Kind::Sent;
    }
    EXPECT_GT(toTestSet, 30);
    EXPECT_GT(fromTestSet, 20);
    EXPECT_GT(frames, 30);
    ASSERT_TRUE(program->isEnabled());
    QTest::mouseClick(program, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog.running(); }, 20000));
    // Table order: High points 1..5 (bytes 0x16, 0x18, ...), then Low (0x17, 0x19, ...).
    bench.radio.withModel([&](sim::RadioModel& m) {
        for (int r = 0; r < 10; ++r)
            EXPECT_EQ(m.tuningArea()[static_cast<std::size_t>(0x16 + 2 * (r % 5) + r / 5)],
                      values[static_cast<std::size_t>(r)])
                << r;
        EXPECT_FALSE(m.pttOn);
    });
    EXPECT_FALSE(program->isEnabled());
    for (const Notice& n : bench.notifier.notices)
        ADD_FAILURE() << n.text;
}

// Abort, Escape and the close box in the middle of a run, with the transmitter keyed: each is
// taken at once (the Abort button says "Stopping…" within 0.5 s), the radio's last PTT frame is
// off, and the rows finished before it keep their results for Program or Discard; the window
// stays open for them.
TEST(AutoAlignDialog, AbortEscapeAndCloseStopAtOnceKeepingTheRows) {
    Bench bench;
    bench.start();
    enum class Way { Abort, Escape, Close };
    for (const Way way : {Way::Abort, Way::Escape, Way::Close}) {
        SCOPED_TRACE(static_cast<int>(way));
        AutoAlignDialog dialog(*bench.env, bench.server.address());
        dialog.show();
        powerOnly(dialog);
        QPushButton* start = named<QPushButton>(dialog, QStringLiteral("Start alignment"));
        QPushButton* abort = named<QPushButton>(dialog, QStringLiteral("Abort alignment"));
        QPushButton* program =
            named<QPushButton>(dialog, QStringLiteral("Program the passed values"));
        auto* progress = named<QProgressBar>(dialog, QStringLiteral("Alignment progress"));
        ASSERT_TRUE(start && abort && program && progress);
        QTest::mouseClick(start, Qt::LeftButton);
        // The second row or later, keyed.
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return progress->value() >= 1 && bench.keyed(); }, 60000));
        const int rowsBefore = progress->value();

        QElapsedTimer since;
        since.start();
        switch (way) {
        case Way::Abort:
            QTest::mouseClick(abort, Qt::LeftButton);
            break;
        case Way::Escape:
            QTest::keyClick(&dialog, Qt::Key_Escape);
            break;
        case Way::Close:
            dialog.windowHandle()->close(); // the window system's close box
            break;
        }
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                return !abort->isEnabled() && abort->text() == QStringLiteral("Stopping\u2026");
            },
            500));
        EXPECT_LT(since.elapsed(), 500);
        std::printf("stop %d acknowledged after %lld ms\n", static_cast<int>(way),
                    static_cast<long long>(since.elapsed()));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !bench.keyed(); }, 5000));
        std::printf("stop %d unkeyed after %lld ms\n", static_cast<int>(way),
                    static_cast<long long>(since.elapsed()));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog.running(); }, 10000));
        EXPECT_EQ(bench.lastPtt(), 0x82);
        EXPECT_FALSE(bench.session.transmitterMayBeOn);
        EXPECT_LT(progress->value(), 10);

        // The rows done before the stop keep their results; the window waits for a decision.
        const AlignTableModel& table = dialog.table();
        int passed = 0;
        for (int r = 0; r < rowsBefore; ++r)
            passed += table.index(r, AlignTableModel::Result).data().toString() == "PASS";
        EXPECT_EQ(passed, rowsBefore);
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_TRUE(program->isEnabled());
        auto* status = named<QLabel>(dialog, QStringLiteral("Alignment status"));
        EXPECT_TRUE(status->text().startsWith(QStringLiteral("Alignment aborted by the user")))
            << status->text().toStdString();
        QPushButton* discard = named<QPushButton>(dialog, QStringLiteral("Discard the values"));
        ASSERT_TRUE(discard && discard->isEnabled());
        QTest::mouseClick(discard, Qt::LeftButton);
        EXPECT_FALSE(dialog.isVisible());
    }
    for (const Notice& n : bench.notifier.notices)
        ADD_FAILURE() << n.text;
}

} // namespace
} // namespace korvelo
