#include "gui/align_table_model.h"

#include <QBrush>
#include <QColor>

namespace korvelo {

void AlignTableModel::reset(const std::vector<testset::AlignRow>& rows) {
    beginResetModel();
    rows_ = rows;
    endResetModel();
}

void AlignTableModel::update(int i, const testset::AlignRow& row) {
    if (i < 0 || i >= static_cast<int>(rows_.size()))
        return;
    rows_[static_cast<std::size_t>(i)] = row;
    emit dataChanged(index(i, 0), index(i, ColumnCount - 1));
}

QString AlignTableModel::summary() const {
    int passed = 0, failed = 0;
    for (const testset::AlignRow& r : rows_) {
        passed += r.passed() ? 1 : 0;
        failed += r.done && !r.passed() ? 1 : 0;
    }
    const int notRun = static_cast<int>(rows_.size()) - passed - failed;
    return QStringLiteral("%1 passed, %2 failed, %3 not run").arg(passed).arg(failed).arg(notRun);
}

int AlignTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int AlignTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant AlignTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const testset::AlignRow& r = rows_[static_cast<std::size_t>(index.row())];
    const QString unit = r.limit ? QString::fromStdString(r.limit->unit) : QString();
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
        switch (index.column()) {
        case Point:
            return QString::fromStdString(r.name);
        case Target:
            return r.limit ? QStringLiteral("%1 %2").arg(r.limit->target, 0, 'f', 2).arg(unit)
                           : QStringLiteral("no limit");
        case Limits:
            return r.limit ? QStringLiteral("%1 .. %2 %3")
                                 .arg(r.limit->low, 0, 'f', 2)
                                 .arg(r.limit->high, 0, 'f', 2)
                                 .arg(unit)
                                 .trimmed()
                           : QString();
        case Old:
            return r.done ? QVariant(r.result.oldValue) : QVariant();
        case New:
            return r.done ? QVariant(r.passed() ? r.result.newValue : r.result.oldValue)
                          : QVariant();
        case Reading:
            return r.result.reading
                       ? QVariant(
                             QStringLiteral("%1 %2").arg(*r.result.reading, 0, 'f', 2).arg(unit))
                       : QVariant();
        case Result:
            if (!r.done)
                return QString();
            if (r.passed())
                return QStringLiteral("PASS");
            return role == Qt::ToolTipRole || r.result.note.empty()
                       ? QStringLiteral("FAIL")
                       : QStringLiteral("FAIL (%1)").arg(QString::fromStdString(r.result.note));
        }
    }
    if (role == Qt::ForegroundRole && index.column() == Result && r.done)
        return QBrush(r.passed() ? QColor(0, 110, 0) : QColor(170, 0, 0));
    return {};
}

QVariant AlignTableModel::headerData(int section, Qt::Orientation o, int role) const {
    if (o != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, o, role);
    static const char* const kNames[] = {"Point",     "Result",    "Target", "Limits",
                                         "Old Value", "New Value", "Reading"};
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(kNames[section])
                                                 : QVariant();
}

} // namespace korvelo
