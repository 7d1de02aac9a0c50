#pragma once
// Reports of the record: a job, or every job of one radio, as HTML (shown in the program and
// printed to PDF) and as CSV for spreadsheets. Values are grouped by page, as the pages group
// them; readings stand against their limits with PASS or FAIL.
#include "record/job.h"

class QTextDocument;

namespace korvelo::record {

QString jobReportHtml(const Job& job);
QString radioReportHtml(const QString& serial, const QVector<Job>& jobs);

// One row per value and per reading of every job (RFC 4180 quoting, a header row).
QString reportCsv(const QVector<Job>& jobs);

// The report in a text document (a PDF's, a window's): the pictures, which the HTML holds as
// SVG, become images of the document.
void setReportHtml(QTextDocument& doc, const QString& html);

// Written as a whole or not at all (a temporary file renamed over the name). The PDF needs a
// QGuiApplication (fonts).
bool writePdf(const QString& html, const QString& path, QString* error);
bool writeTextFile(const QString& text, const QString& path, QString* error);

// A reading, target or limit with the decimals its unit has in the limits files, so that a
// column reads alike (4.02 kHz beside 2.50 kHz, not 4.0175 beside 2.5).
QString fixedValue(double v, const QString& unit);

// The serial number as the reports show it ("(not read)" when the radio did not tell it).
QString serialText(const QString& serial);

} // namespace korvelo::record
