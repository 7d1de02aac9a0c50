#include "gui/traffic_model.h"

#include "link/command_frame.h"
#include "link/frame_meaning.h"

#include <QBrush>
#include <QColor>
#include <iterator>

namespace korvelo {

TrafficModel::TrafficModel(TrafficLog& log, QObject* parent, int pollMs)
    : QAbstractTableModel(parent), log_(log), keep_(log.keep()) {
    if (pollMs > 0) {
        connect(&timer_, &QTimer::timeout, this, &TrafficModel::poll);
        timer_.start(pollMs);
    }
}

void TrafficModel::poll() {
    std::deque<TrafficEvent> batch = log_.take();
    if (batch.empty())
        return;
    if (batch.size() >= keep_) {
        // The batch alone fills the table.
        beginResetModel();
        lines_.assign(std::make_move_iterator(batch.end() - static_cast<std::ptrdiff_t>(keep_)),
                      std::make_move_iterator(batch.end()));
        endResetModel();
        return;
    }
    const std::size_t overflow =
        lines_.size() + batch.size() > keep_ ? lines_.size() + batch.size() - keep_ : 0;
    if (overflow > 0) {
        beginRemoveRows({}, 0, static_cast<int>(overflow) - 1);
        lines_.erase(lines_.begin(), lines_.begin() + static_cast<std::ptrdiff_t>(overflow));
        endRemoveRows();
    }
    const int first = static_cast<int>(lines_.size());
    beginInsertRows({}, first, first + static_cast<int>(batch.size()) - 1);
    lines_.insert(lines_.end(), std::make_move_iterator(batch.begin()),
                  std::make_move_iterator(batch.end()));
    endInsertRows();
}

int TrafficModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(lines_.size());
}

int TrafficModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QString TrafficModel::cellText(int row, int column) const {
    const TrafficEvent& e = lines_.at(static_cast<std::size_t>(row));
    using Kind = TrafficEvent::Kind;
    switch (column) {
    case Time:
        return QString::number(e.atMs);
    case Direction:
        return e.kind == Kind::Sent          ? QStringLiteral("TX")
               : e.kind == Kind::Received    ? QStringLiteral("RX")
               : e.kind == Kind::ToTestSet   ? QStringLiteral("TS>")
               : e.kind == Kind::FromTestSet ? QStringLiteral("TS<")
                                             : QString();
    case Bytes:
        if (e.kind == Kind::ToTestSet || e.kind == Kind::FromTestSet)
            return QString::fromLatin1(reinterpret_cast<const char*>(e.bytes.data()),
                                       static_cast<qsizetype>(e.bytes.size()));
        return QString::fromStdString(bytesToHex(e.bytes));
    case Meaning:
        switch (e.kind) {
        case Kind::Sent:
            return QString::fromStdString(describeCommandFrame(e.bytes));
        case Kind::Received:
            return QString::fromStdString(describeReplyFrame(e.bytes));
        case Kind::Pause:
            return QStringLiteral("pause %1 ms").arg(e.ms);
        case Kind::Timeout:
            return QStringLiteral("no reply within %1 ms").arg(e.ms);
        case Kind::ToTestSet:
            return QStringLiteral("to the test set");
        case Kind::FromTestSet:
            return QStringLiteral("from the test set");
        }
        break;
    default:
        break;
    }
    return {};
}

QVariant TrafficModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= ColumnCount)
        return {};
    const TrafficEvent& e = lines_.at(static_cast<std::size_t>(index.row()));
    switch (role) {
    case Qt::DisplayRole:
        return cellText(index.row(), index.column());
    case Qt::ToolTipRole:
        // A block's bytes are longer than any column.
        return index.column() == Bytes ? cellText(index.row(), Bytes) : QVariant();
    case Qt::TextAlignmentRole:
        if (index.column() == Time)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    case Qt::ForegroundRole:
        if (e.kind == TrafficEvent::Kind::Pause)
            return QBrush(QColor(0x60, 0x60, 0x60));
        if (e.kind == TrafficEvent::Kind::Timeout)
            return QBrush(QColor(0xB0, 0x00, 0x00));
        return {};
    default:
        return {};
    }
}

QVariant TrafficModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case Time:
        return QStringLiteral("Time (ms)");
    case Direction:
        return QStringLiteral("Dir");
    case Bytes:
        return QStringLiteral("Bytes");
    case Meaning:
        return QStringLiteral("Meaning");
    default:
        return {};
    }
}

} // namespace korvelo
