#include "record/report.h"

#include <QAbstractTextDocumentLayout>
#include <QFileInfo>
#include <QImage>
#include <QMap>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSvgRenderer>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <cmath>

#include "record/convergence_plot.h"
#include "record/job_store.h"
#include "softpot/zel/zel_signalling_page.h"

namespace korvelo::record {

namespace {

QString esc(const QString& s) {
    return s.toHtmlEscaped();
}

QString when(const QDateTime& t) {
    return t.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss 'UTC'"));
}

QString number(double v) {
    return QString::number(v, 'g', 6);
}

QString fixed(double v, const QString& unit) {
    return fixedValue(v, unit);
}

QString hex2(int v) {
    return QString::number(v, 16).toUpper().rightJustified(2, QLatin1Char('0'));
}

QString result(bool pass) {
    return pass ? QStringLiteral("PASS") : QStringLiteral("FAIL");
}

// How the job's automatic alignment ended; empty for a job without one (readings typed on the
// pages are no automatic alignment).
QString alignmentText(const Job& job) {
    const bool automatic = std::any_of(job.readings.begin(), job.readings.end(),
                                       [](const JobReading& r) { return !r.manual; });
    const bool aligned =
        !job.testSet.isEmpty() || automatic || job.ending != AlignmentEnding::Completed;
    return aligned ? endingText(job) : QString();
}

// Who took a reading: Auto Align with the test set, or the technician from the meter.
QString source(const JobReading& r) {
    return r.manual ? QStringLiteral("typed") : QStringLiteral("Auto Align");
}

QString row(const QStringList& cells, bool head = false) {
    const QString tag = head ? QStringLiteral("th") : QStringLiteral("td");
    QString out = QStringLiteral("<tr>");
    for (const QString& c : cells)
        out += QStringLiteral("<%1>%2</%1>").arg(tag, c);
    return out + QStringLiteral("</tr>\n");
}

QString table(const QString& rows) {
    return QStringLiteral("<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\">\n") + rows +
           QStringLiteral("</table>\n");
}

// A table whose heading and column names are its header rows: a printed page break never
// leaves the heading behind, and every page the table continues on repeats both.
QString table(const QString& heading, const QStringList& columns, const QString& rows) {
    QString head;
    if (!heading.isEmpty())
        head += QStringLiteral("<tr><th colspan=\"%1\" align=\"left\">%2</th></tr>\n")
                    .arg(columns.size())
                    .arg(esc(heading));
    head += row(columns, true);
    return QStringLiteral("<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\" "
                          "width=\"100%\">\n<thead>") +
           head + QStringLiteral("</thead>\n<tbody>\n") + rows +
           QStringLiteral("</tbody></table>\n");
}

// Whether the radio of the job has the page: the ZEL page is only on 256-block AK2347 radios
// (older jobs may list its bytes for others).
bool radioHasPage(const Job& job, const QString& page) {
    static const QString zel = QString::fromUtf8(
        zelSignallingPage().title.data(), static_cast<qsizetype>(zelSignallingPage().title.size()));
    return page != zel || job.memoryBlocks == 256;
}

// The pages in the catalogue's order, each with its values.
QVector<QPair<QString, QVector<const JobValue*>>> byPage(const Job& job, bool changedOnly) {
    QVector<QPair<QString, QVector<const JobValue*>>> pages;
    for (const JobValue& v : job.values) {
        if ((changedOnly && !v.changed()) || !radioHasPage(job, v.page))
            continue;
        if (pages.isEmpty() || pages.back().first != v.page)
            pages.push_back({v.page, {}});
        pages.back().second.push_back(&v);
    }
    return pages;
}

// Each reading's search as a picture with its caption, two to a row; nothing when the record
// kept no iterations (older records).
QString searchCharts(const Job& job, const QString& heading) {
    QStringList cells;
    for (const JobReading& r : job.readings) {
        const QString svg = convergenceSvg(r);
        if (svg.isEmpty())
            continue;
        cells << QStringLiteral("<td valign=\"top\"><p><b>%1</b>: %2 iteration(s), %3, "
                                "<b>%4</b></p>\n<p>%5</p></td>")
                     .arg(esc(r.value))
                     .arg(r.steps.size())
                     .arg(esc(fixed(r.reading, r.unit)), result(r.pass), svg);
    }
    if (cells.isEmpty())
        return {};
    QString rows;
    for (qsizetype i = 0; i < cells.size(); i += 2)
        rows +=
            QStringLiteral("<tr>") + cells.mid(i, 2).join(QString()) + QStringLiteral("</tr>\n");
    return QStringLiteral("<%1>Searches</%1>\n<p>Each reading against the value sent, one point "
                          "per iteration, the last ringed; the dashed line is the target, the "
                          "band the limits.</p>\n<table cellspacing=\"0\" cellpadding=\"4\">\n")
               .arg(heading) +
           rows + QStringLiteral("</table>\n");
}

QString jobSection(const Job& job, int level) {
    const QString h = QStringLiteral("h%1").arg(level);
    const QString h2 = QStringLiteral("h%1").arg(level + 1);
    QString out = QStringLiteral("<%1>Job %2</%1>\n")
                      .arg(h, esc(job.started.isValid() ? when(job.started) : QString()));
    QString radio;
    auto field = [&](const QString& name, const QString& value) {
        radio += row({esc(name), esc(value.isEmpty() ? QStringLiteral("-") : value)});
    };
    field(QStringLiteral("Serial number"), serialText(job.serial));
    field(QStringLiteral("Band"), QStringLiteral("radio type %1%2")
                                      .arg(job.radioType)
                                      .arg(job.band.isEmpty() ? QString() : ", " + job.band));
    field(QStringLiteral("Memory"), QStringLiteral("%1 blocks").arg(job.memoryBlocks));
    field(QStringLiteral("Audio processor"), job.audioProcessor);
    field(QStringLiteral("Firmware"), job.firmware);
    field(QStringLiteral("Bench"), job.bench);
    field(QStringLiteral("Technician"), job.technician);
    field(QStringLiteral("Korvelo version"), job.programVersion);
    field(QStringLiteral("Test set"), job.testSet);
    field(QStringLiteral("Started"), when(job.started));
    field(QStringLiteral("Ended"),
          job.ended.isValid() ? when(job.ended) : QStringLiteral("(still under way)"));
    field(QStringLiteral("Alignment"), alignmentText(job));
    field(QStringLiteral("Job id"), job.id.toString(QUuid::WithoutBraces));
    out += table(radio);

    out += QStringLiteral("<%1>Changed values</%1>\n").arg(h2);
    const auto changed = byPage(job, true);
    if (changed.isEmpty())
        out += QStringLiteral("<p>No value was changed.</p>\n");
    for (const auto& [page, values] : changed) {
        QString rows;
        for (const JobValue* v : values)
            rows += row({esc(v->name), esc(v->asRead), esc(v->asProgrammed)});
        out += table(page, {"Value", "Before", "After"}, rows);
    }

    out += QStringLiteral("<%1>Readings</%1>\n").arg(h2);
    if (job.readings.isEmpty()) {
        out += QStringLiteral("<p>No readings were taken.</p>\n");
    } else {
        // A typed reading stands with the value the row had when it was taken (the last one
        // typed for a value replaced any earlier); Auto Align's with the value it came to.
        QString rows;
        for (const JobReading& r : job.readings)
            rows += row({esc(r.value), esc(r.quantity), esc(source(r)),
                         esc(r.softpot.isEmpty() ? QStringLiteral("-") : r.softpot),
                         esc(fixed(r.target, r.unit)),
                         esc(fixed(r.low, r.unit) + " to " + fixed(r.high, r.unit)),
                         esc(fixed(r.reading, r.unit)),
                         QStringLiteral("<b>%1</b>").arg(result(r.pass))});
        out += table(
            {}, {"Value", "Measured", "By", "Softpot", "Target", "Limits", "Reading", "Result"},
            rows);
    }
    out += searchCharts(job, h2);

    if (!job.backups.isEmpty()) {
        out += QStringLiteral("<%1>Backups</%1>\n").arg(h2);
        QString rows;
        for (const JobBackup& b : job.backups)
            rows += row({esc(when(b.at)), esc(b.path)});
        out += table({}, {"Taken", "File"}, rows);
    }
    if (!job.verifications.isEmpty()) {
        out += QStringLiteral("<%1>Read-back checks</%1>\n").arg(h2);
        QString rows;
        for (const JobVerification& v : job.verifications)
            rows +=
                row({esc(when(v.at)),
                     QStringLiteral("0x%1..0x%2").arg(hex2(v.offset), hex2(v.offset + v.count - 1)),
                     v.ok ? QStringLiteral("as sent") : QStringLiteral("<b>DIFFERS</b>"),
                     esc(v.detail)});
        out += table({}, {"Checked", "Bytes", "Result", "Detail"}, rows);
    }

    out += QStringLiteral("<%1>All values</%1>\n").arg(h2);
    for (const auto& [page, values] : byPage(job, false)) {
        QString rows;
        for (const JobValue* v : values)
            rows += row({esc(v->name), esc(v->asRead),
                         v->programmed ? esc(v->asProgrammed) : QStringLiteral("-")});
        out += table(page, {"Value", "As read", "As programmed"}, rows);
    }
    return out;
}

QString page(const QString& title, const QString& body) {
    return QStringLiteral("<html><head><meta charset=\"utf-8\"><title>%1</title></head><body>\n"
                          "%2</body></html>\n")
        .arg(esc(title), body);
}

// A cell of the CSV: text, or a number the program wrote.
struct Cell {
    QString text;
    bool number = false;
    Cell(const QString& t) : text(t) {}
    Cell(const char* t) : text(QString::fromUtf8(t)) {}
    static Cell num(const QString& t) {
        Cell c(t);
        c.number = true;
        return c;
    }
};

// Every text cell is quoted; one that a spreadsheet would take as a formula (it starts with
// =, +, -, @, a tab or a carriage return) gets a leading apostrophe, so that it is shown as
// the text it is. Numbers the program wrote stay bare numbers.
QString csvField(const Cell& c) {
    static const QRegularExpression plainNumber(
        QStringLiteral("^-?[0-9]+(\\.[0-9]+)?([eE][-+]?[0-9]+)?$"));
    if (c.number && plainNumber.match(c.text).hasMatch())
        return c.text;
    QString q = c.text;
    if (!q.isEmpty() && QStringLiteral("=+-@\t\r").contains(q.front()))
        q.prepend(QLatin1Char('\''));
    q.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

QString csvLine(const QVector<Cell>& fields) {
    QStringList out;
    for (const Cell& f : fields)
        out << csvField(f);
    return out.join(QLatin1Char(',')) + QStringLiteral("\r\n");
}

// A heading too near the foot of a page for a few lines after it starts the next page instead.
void keepHeadingsWithNext(QTextDocument& doc) {
    const double pageHeight = doc.pageSize().height();
    QAbstractTextDocumentLayout* layout = doc.documentLayout();
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        if (b.blockFormat().headingLevel() == 0)
            continue;
        const QRectF at = layout->blockBoundingRect(b);
        const double room = 4 * at.height(); // the heading and the start of what follows
        const double pageEnd = (std::floor(at.top() / pageHeight) + 1) * pageHeight;
        if (at.top() > 0 && at.bottom() + room > pageEnd) {
            QTextBlockFormat f;
            f.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
            QTextCursor(b).mergeBlockFormat(f);
        }
    }
}

} // namespace

QString fixedValue(double v, const QString& unit) {
    static const QMap<QString, int> decimals{{QStringLiteral("W"), 2},  {QStringLiteral("kHz"), 2},
                                             {QStringLiteral("Hz"), 0}, {QStringLiteral("dBm"), 1},
                                             {QStringLiteral("dB"), 1}, {QStringLiteral("V"), 2},
                                             {QStringLiteral("%"), 1}};
    return QString::number(v, 'f', decimals.value(unit, 2)) + QLatin1Char(' ') + unit;
}

void setReportHtml(QTextDocument& doc, const QString& html) {
    // A text document draws no SVG: each picture goes in as an image of itself, at three times
    // its size so that print stays sharp, shown at its own size.
    static const QRegularExpression svgElement(QStringLiteral("<svg\\b.*?</svg>"),
                                               QRegularExpression::DotMatchesEverythingOption);
    QString out;
    qsizetype from = 0;
    int n = 0;
    for (auto it = svgElement.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        out += html.mid(from, m.capturedStart() - from);
        from = m.capturedEnd();
        QSvgRenderer svg(m.captured().toUtf8());
        const QSize size = svg.defaultSize();
        QImage image(size * 3, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter p(&image);
            p.setRenderHint(QPainter::Antialiasing);
            svg.render(&p);
        }
        const QString name = QStringLiteral("korvelo-chart:%1").arg(++n);
        doc.addResource(QTextDocument::ImageResource, QUrl(name), image);
        // The picture's words (still escaped) as the image's alternative text.
        static const QRegularExpression label(QStringLiteral("aria-label=\"([^\"]*)\""));
        out += QStringLiteral("<img src=\"%1\" width=\"%2\" height=\"%3\" alt=\"%4\">")
                   .arg(name)
                   .arg(size.width())
                   .arg(size.height())
                   .arg(label.match(m.captured()).captured(1));
    }
    out += html.mid(from);
    doc.setHtml(out);
}

QString serialText(const QString& serial) {
    return serial.isEmpty() ? QStringLiteral("(not read)") : serial;
}

QString jobReportHtml(const Job& job) {
    return page(QStringLiteral("Alignment record, radio %1").arg(serialText(job.serial)),
                QStringLiteral("<h1>Alignment record</h1>\n") + jobSection(job, 2));
}

QString radioReportHtml(const QString& serial, const QVector<Job>& jobs) {
    QString body = QStringLiteral("<h1>Alignment history of radio %1</h1>\n<p>%2 job(s)")
                       .arg(esc(serialText(serial)))
                       .arg(jobs.size());
    if (!jobs.isEmpty())
        body +=
            QStringLiteral(", %1 to %2").arg(when(jobs.front().started), when(jobs.back().ended));
    body += QStringLiteral("</p>\n");
    for (const Job& j : jobs)
        body += jobSection(j, 2);
    return page(QStringLiteral("Alignment history, radio %1").arg(serialText(serial)), body);
}

QString reportCsv(const QVector<Job>& jobs) {
    QString out =
        csvLine({"job",       "serial",   "started", "ended",     "bench",      "technician",
                 "alignment", "kind",     "page",    "value",     "as read",    "as programmed",
                 "changed",   "measured", "target",  "low limit", "high limit", "reading",
                 "unit",      "result",   "by",      "softpot"});
    for (const Job& j : jobs) {
        const QVector<Cell> head{j.id.toString(QUuid::WithoutBraces),
                                 j.serial,
                                 timeText(j.started),
                                 timeText(j.ended),
                                 j.bench,
                                 j.technician,
                                 alignmentText(j)};
        for (const JobValue& v : j.values)
            out += csvLine(head + QVector<Cell>{"value", v.page, v.name, Cell::num(v.asRead),
                                                Cell::num(v.programmed ? v.asProgrammed : ""),
                                                v.changed() ? "yes" : "no", "", "", "", "", "", "",
                                                "", "", ""});
        for (const JobReading& r : j.readings)
            out += csvLine(head + QVector<Cell>{"reading", "", r.value, "", "", "", r.quantity,
                                                Cell::num(number(r.target)),
                                                Cell::num(number(r.low)), Cell::num(number(r.high)),
                                                Cell::num(number(r.reading)), r.unit,
                                                result(r.pass), source(r), Cell::num(r.softpot)});
    }
    return out;
}

bool writeTextFile(const QString& text, const QString& path, QString* error) {
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("cannot write %1: %2").arg(path, f.errorString());
        return false;
    }
    f.write(text.toUtf8());
    if (!f.commit()) {
        *error = QStringLiteral("cannot write %1: %2").arg(path, f.errorString());
        return false;
    }
    return true;
}

bool writePdf(const QString& html, const QString& path, QString* error) {
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("cannot write %1: %2").arg(path, f.errorString());
        return false;
    }
    {
        QPdfWriter pdf(&f);
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setTitle(QFileInfo(path).completeBaseName());
        pdf.setCreator(QStringLiteral("Korvelo"));
        QTextDocument doc;
        setReportHtml(doc, html);
        doc.documentLayout()->setPaintDevice(&pdf);
        doc.setPageSize(QSizeF(pdf.width(), pdf.height()));
        keepHeadingsWithNext(doc);
        doc.print(&pdf);
    } // the writer finishes the file when it goes
    if (!f.commit()) {
        *error = QStringLiteral("cannot write %1: %2").arg(path, f.errorString());
        return false;
    }
    return true;
}

} // namespace korvelo::record
