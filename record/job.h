#pragma once
// One job: what happened to one radio on one bench, from its Tuning Init to its last write.
#include "radio/job_recorder.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QUuid>
#include <QVector>

namespace korvelo::record {

// One value of the tuning-area catalogue, as the page shows it.
struct JobValue {
    QString page;
    QString name;
    QString asRead;
    QString asProgrammed; // meaningful only when programmed
    bool programmed = false;

    bool changed() const { return programmed && asProgrammed != asRead; }
};

// One iteration of an automatic alignment's search: the value sent and the reading it gave.
struct JobStep {
    int value = 0;
    double reading = 0;
};

struct JobReading {
    QDateTime at;
    QString value;
    QString quantity;
    QString unit;
    double target = 0;
    double low = 0;
    double high = 0;
    double reading = 0;
    bool pass = false;
    bool manual = false; // typed from the meter on a page, not measured by Auto Align
    QString softpot{};   // the row's value when a typed reading was taken; empty for Auto Align
    QVector<JobStep> steps{}; // how the search came to the reading; none in older records
};

struct JobBackup {
    QDateTime at;
    QString path;
};

struct JobVerification {
    QDateTime at;
    int offset = 0;
    int count = 0;
    bool ok = false;
    QString detail;
};

struct Job {
    QUuid id;
    QString serial; // empty when the radio did not tell it
    QString firmware;
    QString country;
    int radioType = 0;
    QString band; // the band's range, or empty when the type is not known
    int memoryBlocks = 128;
    QString audioProcessor;
    QString bench;
    QString technician;
    QString programVersion;
    QString testSet; // empty when no test set was used
    QDateTime started;
    QDateTime ended;       // the last thing recorded
    QByteArray imageRead;  // the tuning area as read
    QByteArray imageAfter; // what the radio holds at the end: as read, with what it acknowledged
    QVector<JobValue> values;
    QVector<JobReading> readings;
    QVector<JobBackup> backups;
    QVector<JobVerification> verifications;
    // How its last automatic alignment ended (a job without one is completed).
    AlignmentEnding ending = AlignmentEnding::Completed;
    QString endReason; // a fault's reason
};

// "completed", "aborted", "fault": the ending as the record keeps it.
QString endingKey(AlignmentEnding ending);
AlignmentEnding endingFromKey(const QString& key);
// The ending as history and reports show it ("aborted by the user", "stopped by a fault: ...").
QString endingText(const Job& job);

// One radio in the history: its serial number and its jobs' span.
struct RadioSummary {
    QString serial;
    int jobs = 0;
    QDateTime first;
    QDateTime last;
};

} // namespace korvelo::record
