#include "gui/record_models.h"

#include "record/report.h"

namespace korvelo {

namespace {

QString when(const QDateTime& t) {
    return t.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

} // namespace

void RadioListModel::setRadios(QVector<record::RadioSummary> radios) {
    beginResetModel();
    radios_ = std::move(radios);
    endResetModel();
}

int RadioListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(radios_.size());
}

int RadioListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Columns;
}

QVariant RadioListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid) || role != Qt::DisplayRole)
        return {};
    const record::RadioSummary& r = radios_[index.row()];
    switch (index.column()) {
    case Serial:
        return record::serialText(r.serial);
    case Jobs:
        return r.jobs;
    case LastJob:
        return when(r.last);
    }
    return {};
}

QVariant RadioListModel::headerData(int section, Qt::Orientation o, int role) const {
    if (o != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char* const names[] = {"Serial number", "Jobs", "Last job"};
    return section >= 0 && section < Columns ? QString::fromLatin1(names[section]) : QVariant();
}

void JobListModel::setJobs(QVector<record::Job> jobs) {
    beginResetModel();
    jobs_ = std::move(jobs);
    endResetModel();
}

int JobListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(jobs_.size());
}

int JobListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Columns;
}

QVariant JobListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid) || role != Qt::DisplayRole)
        return {};
    const record::Job& j = jobs_[index.row()];
    switch (index.column()) {
    case Started:
        return when(j.started);
    case Bench:
        return j.bench;
    case Technician:
        return j.technician;
    case Changed: {
        int n = 0;
        for (const record::JobValue& v : j.values)
            n += v.changed();
        return n;
    }
    case Readings: {
        int pass = 0, fail = 0;
        for (const record::JobReading& r : j.readings)
            (r.pass ? pass : fail) += 1;
        if (pass + fail == 0)
            return QString();
        return fail ? QStringLiteral("%1 FAIL of %2").arg(fail).arg(pass + fail)
                    : QStringLiteral("%1 PASS").arg(pass);
    }
    }
    return {};
}

QVariant JobListModel::headerData(int section, Qt::Orientation o, int role) const {
    if (o != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char* const names[] = {"Started", "Bench", "Technician", "Values changed",
                                        "Readings"};
    return section >= 0 && section < Columns ? QString::fromLatin1(names[section]) : QVariant();
}

} // namespace korvelo
