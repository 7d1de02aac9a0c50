// Reports of recorded jobs: korvelo-cli's history and report over the bench's record (PDF read
// back with pdftotext, CSV, HTML), and the Radio History dialog driven by keys.
#include "gui/bench_record.h"
#include "gui/command_ids.h"
#include "gui/gui_test_support.h"
#include "gui/main_window.h"
#include "gui/radio_history_dialog.h"
#include "radio/qt/korvelo_settings.h"
#include "record/recorder.h"
#include "record/report.h"
#include "record_test_support.h"
#include "support/scratch_dir.h"

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTableView>
#include <QTest>
#include <QTextBrowser>

using namespace korvelo;
using namespace korvelo::record;

namespace {

struct Recorded {
    QString before, after, name;
};

// One job of radio KV00012345 with one changed value, a test set and a passed and a failed
// reading, in the record file at `local`.
Recorded recordJob(const QString& local, const char* serial = "KV00012345",
                   const QString& technician = "Ann", std::optional<AlignmentEnding> ending = {}) {
    SimBench bench;
    std::copy_n(serial, 10, bench.radio.serialNumber.begin());
    Recorder recorder(local, {"bench-7", technician, "1.0"});
    bench.session.recorder = &recorder;
    readAndProgram(bench);
    recordTestSet(bench.session, "RF test set, s/n 4711");
    // Each with the search that came to it: (value, reading) per iteration.
    recordReading(bench.session, {"High Power, point 1",
                                  "Power",
                                  "W",
                                  5,
                                  4.8,
                                  5.2,
                                  5.05,
                                  true,
                                  false,
                                  {},
                                  {{120, 4.2}, {131, 4.96}, {133, 5.05}}});
    recordReading(bench.session, {"Low Power, point 1",
                                  "Power",
                                  "W",
                                  1,
                                  0.9,
                                  1.1,
                                  1.32,
                                  false,
                                  false,
                                  {},
                                  {{90, 1.5}, {74, 1.32}}});
    if (ending)
        recordAlignmentEnded(bench.session, *ending,
                             *ending == AlignmentEnding::Fault ? "the test set did not answer"
                                                               : "");
    const JobValue* v = changedValue(*recorder.currentJob());
    Recorded r{v->asRead, v->asProgrammed, v->name};
    bench.session.recorder = nullptr;
    return r;
}

QString readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

struct Cli {
    QString data, config;
    int run(const QStringList& args, QString* out = nullptr) const {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_DATA_HOME", data);
        env.insert("XDG_CONFIG_HOME", config);
        p.setProcessEnvironment(env);
        p.start(KORVELO_CLI_PATH, args);
        if (!p.waitForFinished(60000))
            return -1;
        if (out)
            *out = QString::fromUtf8(p.readAllStandardOutput());
        return p.exitCode();
    }
};

} // namespace

TEST(RecordReport, AReportHoldsTheRadioItsChangedValueBeforeAndAfterAndPassFail) {
    ScratchDir dir("korvelo-report");
    const Cli cli{QString::fromStdString((dir / "data").string()),
                  QString::fromStdString((dir / "config").string())};
    QDir().mkpath(cli.data + "/Korvelo/Korvelo"); // organisation and application folders
    const Recorded r = recordJob(cli.data + "/Korvelo/Korvelo/record.sqlite");
    ASSERT_NE(r.before, r.after);

    QString out;
    ASSERT_EQ(cli.run({"history"}, &out), 0);
    EXPECT_TRUE(out.startsWith("KV00012345  1 job(s)")) << out.toStdString();
    ASSERT_EQ(cli.run({"history", "KV00012345"}, &out), 0);
    EXPECT_TRUE(out.contains("1 value(s) changed, readings 1 PASS 1 FAIL")) << out.toStdString();
    EXPECT_EQ(cli.run({"report", "NOSUCH", "--csv", cli.data + "/x.csv"}), 1);

    const QString pdf = cli.data + "/r.pdf", csv = cli.data + "/r.csv", html = cli.data + "/r.html";
    ASSERT_EQ(cli.run({"report", "KV00012345", "--pdf", pdf, "--csv", csv, "--html", html}), 0);

    // CSV: the changed value with before and after, the readings with their results.
    const QString table = readAll(csv);
    const QString changedRow = QString(",\"value\",\"Transmit Power\",\"%1\",%2,%3,\"yes\",")
                                   .arg(r.name, r.before, r.after);
    EXPECT_TRUE(table.contains(changedRow)) << table.left(600).toStdString();
    EXPECT_TRUE(table.contains(",\"reading\",\"\",\"High Power, point 1\",\"\",\"\",\"\",\"Power\","
                               "5,4.8,5.2,5.05,\"W\",\"PASS\""));
    EXPECT_TRUE(table.contains(",\"reading\",\"\",\"Low Power, point 1\",\"\",\"\",\"\",\"Power\","
                               "1,0.9,1.1,1.32,\"W\",\"FAIL\""));

    // HTML: the changed values section holds the value with both numbers.
    const QString page = readAll(html);
    const qsizetype from = page.indexOf("Changed values"), to = page.indexOf("Readings");
    ASSERT_GT(to, from);
    const QString changed = page.mid(from, to - from);
    EXPECT_TRUE(changed.contains(r.name.toHtmlEscaped()));
    EXPECT_TRUE(changed.contains("<td>" + r.before + "</td><td>" + r.after + "</td>"));
    EXPECT_TRUE(page.contains("RF test set, s/n 4711"));
    // A picture of each reading's search: a point per iteration, the target, the limits.
    const QStringList svgs = page.split("<svg ").mid(1);
    ASSERT_EQ(svgs.size(), 2) << page.toStdString();
    EXPECT_TRUE(svgs[0].contains("aria-label=\"High Power, point 1: Power against the value, 3 "
                                 "iteration(s), target 5.00 W, limits 4.80 W to 5.20 W, PASS\""))
        << svgs[0].toStdString();
    EXPECT_EQ(svgs[0].count("<circle") - 1, 3); // and the last ringed
    EXPECT_EQ(svgs[1].count("<circle") - 1, 2);
    EXPECT_TRUE(svgs[0].contains(">131</text>") && svgs[0].contains(">5.00 W</text>"));

    // PDF: a PDF whose text has the radio, the value before and after, and the results.
    EXPECT_TRUE(readAll(pdf).startsWith("%PDF-"));
    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        GTEST_SKIP() << "pdftotext (Debian package poppler-utils) is not installed, so the "
                        "PDF's text cannot be read back";
    QProcess text;
    text.start("pdftotext", {"-layout", pdf, "-"});
    ASSERT_TRUE(text.waitForFinished(30000));
    const QString printed = QString::fromUtf8(text.readAllStandardOutput());
    EXPECT_TRUE(printed.contains("KV00012345"));
    bool rowFound = false;
    for (const QString& line : printed.split('\n'))
        rowFound = rowFound ||
                   (line.contains(r.name) && line.simplified().endsWith(r.before + " " + r.after));
    EXPECT_TRUE(rowFound) << printed.toStdString();
    EXPECT_TRUE(printed.contains("PASS"));
    EXPECT_TRUE(printed.contains("FAIL"));
    // The two searches, captioned, each printed as a picture.
    EXPECT_TRUE(printed.contains("3 iteration(s), 5.05 W, PASS")) << printed.toStdString();
    EXPECT_TRUE(printed.contains("2 iteration(s), 1.32 W, FAIL"));
    if (QStandardPaths::findExecutable("pdfimages").isEmpty())
        GTEST_SKIP() << "pdfimages (poppler-utils) is not installed";
    QProcess images;
    images.start("pdfimages", {"-list", pdf});
    ASSERT_TRUE(images.waitForFinished(30000));
    // A header of two lines, then a line per image.
    const QStringList lines =
        QString::fromUtf8(images.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(lines.size() - 2, 2) << lines.join('\n').toStdString();
}

TEST(RecordReport, APrintedReportKeepsFixedDecimalsHeadingsWithRowsAndRepeatsHeaders) {
    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        GTEST_SKIP() << "pdftotext (Debian package poppler-utils) is not installed";
    // A 128-block radio (no ZEL page) with more readings and values than one A4 page holds.
    Job job;
    job.id = QUuid::createUuid();
    job.serial = "KV00000042";
    job.memoryBlocks = 128;
    job.started = job.ended = QDateTime::currentDateTimeUtc();
    for (int i = 0; i < 60; ++i) {
        job.readings.push_back({job.started, QString("Deviation, point %1").arg(i), "Deviation",
                                "kHz", 2.5, 2.4, 2.6, 2.4 + i * 0.0175 / 10, true});
        job.values.push_back(
            {"Transmit Power", QString("High Power, point %1").arg(i), "40", "41", true});
    }
    job.readings.push_back(
        {job.started, "High Power, point 1", "Power", "W", 4, 3.84, 4.16, 0.998657, false});
    job.readings.push_back(
        {job.started, "Squelch", "Level", "dBm", -118, -120, -116, -118.53, true});
    job.values.push_back({"ZEL Siganling System Deviation", "ZEL deviation", "12", "12", false});
    // Typed from the meter on the page, with the value the row had then.
    job.readings.push_back(
        {job.started, "Low Power, point 3", "Power", "W", 1, 0.9, 1.1, 1.234, false, true, "27"});

    // A job with typed readings alone had no automatic alignment to end.
    Job typedOnly = job;
    typedOnly.readings = {job.readings.back()};
    EXPECT_TRUE(jobReportHtml(typedOnly).contains(
        "<td>Low Power, point 3</td><td>Power</td><td>typed</td><td>27</td>"));
    EXPECT_TRUE(jobReportHtml(typedOnly).contains("<b>FAIL</b>"));
    EXPECT_FALSE(jobReportHtml(typedOnly).contains("completed"));
    EXPECT_TRUE(jobReportHtml(job).contains("completed"));

    ScratchDir dir("korvelo-report-print");
    const QString pdf = QString::fromStdString((dir / "r.pdf").string());
    QString why;
    ASSERT_TRUE(writePdf(jobReportHtml(job), pdf, &why)) << why.toStdString();
    QProcess text;
    text.start("pdftotext", {"-layout", pdf, "-"});
    ASSERT_TRUE(text.waitForFinished(30000));
    const QString printed = QString::fromUtf8(text.readAllStandardOutput());
    const QStringList pages = printed.split('\f', Qt::SkipEmptyParts);
    ASSERT_GE(pages.size(), 3) << printed.toStdString();

    // Fixed decimals per unit: 2 for W and kHz, 1 for dBm.
    EXPECT_TRUE(printed.contains("1.00 W") && !printed.contains("0.998657"))
        << printed.toStdString();
    EXPECT_TRUE(printed.contains("3.84 W to 4.16 W"));
    EXPECT_TRUE(printed.contains("2.41 kHz") && printed.contains("2.50 kHz"));
    EXPECT_TRUE(printed.contains("-118.5 dBm") && printed.contains("-120.0 dBm to -116.0 dBm"));
    EXPECT_FALSE(printed.contains("2.41225"));
    // The typed reading stands like Auto Align's, with its value and verdict.
    bool typedRow = false;
    for (const QString& line : printed.split('\n'))
        typedRow = typedRow || (line.contains("Low Power, point 3") &&
                                line.simplified().contains("Power typed 27 1.00 W") &&
                                line.simplified().endsWith("1.23 W FAIL"));
    EXPECT_TRUE(typedRow) << printed.toStdString();
    // Every page a table continues on starts with its header row; a heading never ends a page
    // without its rows; only the pages this radio has.
    int readingHeaders = 0, valueHeaders = 0;
    for (const QString& page : pages) {
        readingHeaders +=
            page.simplified().contains("Value Measured By Softpot Target Limits Reading Result");
        valueHeaders += page.simplified().contains("Transmit Power Value As read As programmed");
        const QStringList lines = page.trimmed().split('\n');
        const QString last = lines.back().simplified();
        EXPECT_FALSE(last == "Transmit Power" || last == "Readings" || last.startsWith("Value "))
            << "a page ends with a heading: " << page.toStdString();
    }
    EXPECT_GE(readingHeaders, 2) << printed.toStdString();
    EXPECT_GE(valueHeaders, 2) << printed.toStdString();
    EXPECT_FALSE(printed.contains("ZEL"));
}

TEST(RecordReport, AStoppedAlignmentShowsHowItEndedAndFormulaTextStaysText) {
    ScratchDir dir("korvelo-report");
    const Cli cli{QString::fromStdString((dir / "data").string()),
                  QString::fromStdString((dir / "config").string())};
    QDir().mkpath(cli.data + "/Korvelo/Korvelo"); // organisation and application folders
    const QString local = cli.data + "/Korvelo/Korvelo/record.sqlite";
    // A serial number and a technician's name that a spreadsheet would run as formulas.
    recordJob(local, "=1+2*cmd|x", "=cmd|' /C calc'!A0", AlignmentEnding::Fault);

    QString out;
    ASSERT_EQ(cli.run({"history", "=1+2*cmd|x"}, &out), 0);
    EXPECT_TRUE(out.contains("alignment stopped by a fault: the test set did not answer"))
        << out.toStdString();
    const QString csv = cli.data + "/r.csv", html = cli.data + "/r.html";
    ASSERT_EQ(cli.run({"report", "=1+2*cmd|x", "--csv", csv, "--html", html}), 0);
    const QString table = readAll(csv);
    for (const QString& line : table.split("\r\n", Qt::SkipEmptyParts).mid(1)) {
        // Every text cell is quoted and begins harmlessly; the numbers stay numbers.
        EXPECT_TRUE(line.contains(",\"'=1+2*cmd|x\",")) << line.toStdString();
        EXPECT_TRUE(line.contains(",\"'=cmd|' /C calc'!A0\",")) << line.toStdString();
        EXPECT_TRUE(line.contains(",\"stopped by a fault: the test set did not answer\","))
            << line.toStdString();
        EXPECT_FALSE(line.contains(QRegularExpression("(^|,)[=+@\\-]"))) << line.toStdString();
    }
    EXPECT_TRUE(table.contains(",1,0.9,1.1,1.32,\"W\",\"FAIL\"")) << table.toStdString();
    EXPECT_TRUE(readAll(html).contains("stopped by a fault: the test set did not answer"));

    // An abort by the user reads as such.
    recordJob(local, "KV00099999", "Ann", AlignmentEnding::Aborted);
    ASSERT_EQ(cli.run({"history", "KV00099999"}, &out), 0);
    EXPECT_TRUE(out.contains("alignment aborted by the user")) << out.toStdString();
}

TEST(RadioHistory, FindsARadioBySerialShowsItsJobAndExportsIt) {
    ScratchDir dir("korvelo-history");
    const QString local = QString::fromStdString((dir / "record.sqlite").string());
    recordJob(local, "KV00012345");
    recordJob(local, "KV99999999");
    const QString exported = QString::fromStdString((dir / "job.csv").string());

    RadioHistoryDialog dialog(local, QString(), nullptr, [&](QWidget*, const QString& suggested) {
        EXPECT_TRUE(suggested.startsWith("KV99999999-"));
        return exported;
    });
    QAbstractItemModelTester radios(dialog.radioView()->model());
    QAbstractItemModelTester jobs(dialog.jobView()->model());
    dialog.show();
    EXPECT_EQ(dialog.radioView()->model()->rowCount(), 2);
    EXPECT_FALSE(dialog.shopBox()->isEnabled()); // no shop database is set

    dialog.searchEdit()->setFocus();
    QTest::keyClicks(dialog.searchEdit(), "9999");
    ASSERT_EQ(dialog.radioView()->model()->rowCount(), 1);
    EXPECT_EQ(dialog.radioView()->model()->index(0, 0).data().toString(), "KV99999999");
    ASSERT_EQ(dialog.jobView()->model()->rowCount(), 1);
    EXPECT_EQ(dialog.jobView()->model()->index(0, 2).data().toString(), "Ann");
    EXPECT_EQ(dialog.jobView()->model()->index(0, 4).data().toString(), "1 FAIL of 2");
    EXPECT_TRUE(dialog.reportView()->toPlainText().contains("KV99999999"));

    ASSERT_TRUE(dialog.exportJobButton()->isEnabled());
    dialog.exportJobButton()->setFocus();
    QTest::keyClick(dialog.exportJobButton(), Qt::Key_Space);
    const QString table = readAll(exported);
    EXPECT_TRUE(table.contains("KV99999999"));
    EXPECT_FALSE(table.contains("KV00012345"));

    QTest::keyClicks(dialog.searchEdit(), "x");
    EXPECT_EQ(dialog.radioView()->model()->rowCount(), 0);
    EXPECT_FALSE(dialog.exportJobButton()->isEnabled());
    EXPECT_FALSE(dialog.exportRadioButton()->isEnabled());
    EXPECT_TRUE(dialog.reportView()->toPlainText().contains("No radio's serial number contains"));
}

TEST(RadioHistory, TheNameBarProposesTheTechnicianTuningInitAsksNothingAndWhatWaitsShows) {
    ScratchDir dir("korvelo-window-record");
    const QString local = QString::fromStdString((dir / "record.sqlite").string());
    KorveloSettings().setTechnician(QString()); // a bench where nobody has been asked yet
    SimBench bench;
    AppEnv env = bench.env();
    MainWindow window(env);
    // A shop database that is not there: ended jobs wait, and the status bar says so.
    BenchRecord record(bench.session, local,
                       QString::fromStdString("host=" + (dir / "no-server").string()));
    window.setBenchRecord(&record);
    window.startUp();
    window.show();

    // The bar in the window names the account's owner at once, and "Change" takes another name
    // from the keyboard; no window asks anything in the middle of an operation.
    QWidget* bar = nullptr;
    for (QWidget* w : window.findChildren<QWidget*>())
        if (w->accessibleName() == "Technician name bar")
            bar = w;
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(KorveloSettings().technician(), accountFullName());
    QLabel* proposal = nullptr;
    for (QLabel* l : bar->findChildren<QLabel*>())
        proposal = l->accessibleName() == "Technician name" ? l : proposal;
    ASSERT_NE(proposal, nullptr);
    EXPECT_TRUE(proposal->text().startsWith("Records name you as " + accountFullName()));
    EXPECT_TRUE(test::clickButton(bar, "Change"));
    QLineEdit* name = bar->findChild<QLineEdit*>();
    ASSERT_TRUE(name && name->isVisible());
    name->selectAll();
    QTest::keyClicks(name, "Ann Tech");
    QTest::keyClick(name, Qt::Key_Return);
    EXPECT_TRUE(proposal->text().startsWith("Records name you as Ann Tech"));

    int asked = 0;
    test::ModalDriver driver([&](QWidget* modal) {
        asked += qobject_cast<QInputDialog*>(modal) ? 1 : 0;
        return test::dismiss(modal);
    });
    ASSERT_TRUE(window.runCommand(cmd::TuningInit));
    ASSERT_TRUE(record.recorder().currentJob());
    const QUuid first = record.recorder().currentJob()->id;
    EXPECT_EQ(record.recorder().currentJob()->technician, "Ann Tech");
    EXPECT_EQ(record.recorder().currentJob()->serial, "KV00012345");
    EXPECT_EQ(record.recorder().currentJob()->firmware, "R03.00");
    EXPECT_EQ(KorveloSettings().technician(), "Ann Tech");

    ASSERT_TRUE(ResetRadio(env));
    ASSERT_TRUE(window.runCommand(cmd::TuningInit));
    EXPECT_NE(record.recorder().currentJob()->id, first);
    EXPECT_EQ(record.recorder().currentJob()->technician, "Ann Tech");
    EXPECT_EQ(asked, 0);
    EXPECT_FALSE(driver.timedOut());

    QLabel* indicator = nullptr;
    for (QLabel* l : window.findChildren<QLabel*>())
        if (l->accessibleName() == "Alignment record")
            indicator = l;
    ASSERT_NE(indicator, nullptr);
    for (int waited = 0; waited < 5000 && !indicator->isVisible(); waited += 100)
        QTest::qWait(100);
    EXPECT_TRUE(indicator->isVisible());
    EXPECT_EQ(indicator->text(), "1 job waits for the shop database");
    EXPECT_FALSE(indicator->toolTip().isEmpty()); // why: the server cannot be reached
    window.setBenchRecord(nullptr);
}
