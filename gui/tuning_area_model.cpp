#include "gui/tuning_area_model.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QStringList>

namespace korvelo {

namespace {

const QColor kChangedColour(0xFF, 0xE8, 0x9C);    // changed since read: amber
const QColor kProgrammedColour(0xC8, 0xEC, 0xC8); // acknowledged by the radio: green
const QColor kFileColour(0xFF, 0xB4, 0xB4);       // differs from the compared file: red

bool hasImage(const Session& s) {
    return s.record.source != ImageSource::None;
}

bool programmed(const Session& s, const CatalogueEntry& e) {
    for (const ByteClaim& c : e.bytes)
        if (!s.record.isProgrammed[c.byte])
            return false;
    return true;
}

QString markText(int marks) {
    QStringList parts;
    if (marks & ChangedSinceRead)
        parts << QStringLiteral("changed since read");
    if (marks & ProgrammedMark)
        parts << QStringLiteral("programmed since Tuning Init");
    if (marks & DiffersFromFile)
        parts << QStringLiteral("differs from the compared file");
    return parts.join(QStringLiteral(", "));
}

QVariant markBrush(int marks) {
    if (marks & DiffersFromFile)
        return QBrush(kFileColour);
    if (marks & ChangedSinceRead)
        return QBrush(kChangedColour);
    if (marks & ProgrammedMark)
        return QBrush(kProgrammedColour);
    return {};
}

QString hex2(unsigned v) {
    return QStringLiteral("%1").arg(v & 0xFFu, 2, 16, QLatin1Char('0')).toUpper();
}

// The narrowest region a byte lies in: the page that writes it most specifically.
const Region* regionOf(int byte) {
    const Region* best = nullptr;
    for (const Region& r : kRegions)
        if (r.contains(static_cast<unsigned>(byte)) && (!best || r.count < best->count))
            best = &r;
    return best;
}

} // namespace

// ----- values by page -----

QColor regionColour(RegionOwner owner) {
    static const QColor colours[] = {
        QColor(0xDD, 0xEB, 0xFF), QColor(0xFF, 0xF0, 0xD6), QColor(0xE4, 0xF7, 0xE4),
        QColor(0xF3, 0xE3, 0xFA), QColor(0xE0, 0xF4, 0xF4), QColor(0xFA, 0xE6, 0xE0),
        QColor(0xEE, 0xEE, 0xD8), QColor(0xE6, 0xE6, 0xF7), QColor(0xF7, 0xE9, 0xF0),
        QColor(0xE9, 0xF0, 0xDF),
    };
    return colours[static_cast<std::size_t>(owner) % std::size(colours)];
}

TuningAreaModel::TuningAreaModel(const Session& session, QObject* parent)
    : QAbstractItemModel(parent), session_(session), pages_(pagesFor(session.flags.isAk2347Radio)) {
}

std::vector<TuningAreaModel::Page> TuningAreaModel::pagesFor(bool isAk2347Radio) const {
    std::vector<Page> pages;
    for (const CatalogueEntry& e : tuningCatalogue()) {
        if (!appliesTo(e, isAk2347Radio))
            continue;
        if (pages.empty() || pages.back().title != e.page)
            pages.push_back({e.page, {}});
        pages.back().entries.push_back(&e);
    }
    return pages;
}

void TuningAreaModel::refresh() {
    std::vector<Page> pages = pagesFor(session_.flags.isAk2347Radio);
    const bool same =
        pages.size() == pages_.size() &&
        std::equal(pages.begin(), pages.end(), pages_.begin(),
                   [](const Page& a, const Page& b) { return a.entries == b.entries; });
    if (!same) {
        beginResetModel();
        pages_ = std::move(pages);
        endResetModel();
        return;
    }
    if (pages_.empty())
        return;
    emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
    for (int p = 0; p < rowCount(); ++p) {
        const QModelIndex page = index(p, 0);
        if (rowCount(page) > 0)
            emit dataChanged(index(0, 0, page), index(rowCount(page) - 1, ColumnCount - 1, page));
    }
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
}

void TuningAreaModel::setComparison(std::optional<Comparison> comparison) {
    comparison_ = std::move(comparison);
    refresh();
}

int TuningAreaModel::marks(const CatalogueEntry& e) const {
    if (!hasImage(session_))
        return 0;
    int m = 0;
    if (differs(e, session_.image, session_.record.asRead))
        m |= ChangedSinceRead;
    if (programmed(session_, e))
        m |= ProgrammedMark;
    if (comparison_ && differs(e, session_.image, comparison_->image))
        m |= DiffersFromFile;
    return m;
}

int TuningAreaModel::pageMarks(const Page& page) const {
    int m = 0;
    for (const CatalogueEntry* e : page.entries)
        m |= marks(*e);
    return m;
}

int TuningAreaModel::count(Mark mark) const {
    int n = 0;
    for (const Page& p : pages_)
        for (const CatalogueEntry* e : p.entries)
            n += (marks(*e) & mark) ? 1 : 0;
    return n;
}

QString TuningAreaModel::cell(const CatalogueEntry& e, int column) const {
    const Session& s = session_;
    switch (column) {
    case Setting:
        return QString::fromStdString(e.name(s));
    case Read:
        return hasImage(s) ? QString::fromStdString(e.value(s.record.asRead)) : QString();
    case Now:
        return hasImage(s) ? QString::fromStdString(e.value(s.image)) : QString();
    case Programmed:
        return programmed(s, e) ? QString::fromStdString(e.value(s.record.programmed)) : QString();
    case File:
        return comparison_ ? QString::fromStdString(e.value(comparison_->image)) : QString();
    default:
        return {};
    }
}

QModelIndex TuningAreaModel::index(int row, int column, const QModelIndex& parent) const {
    if (row < 0 || column < 0 || column >= ColumnCount)
        return {};
    if (!parent.isValid())
        return row < static_cast<int>(pages_.size()) ? createIndex(row, column, quintptr(0))
                                                     : QModelIndex();
    if (parent.internalId() != 0 || parent.column() != 0)
        return {};
    const Page& page = pages_.at(static_cast<std::size_t>(parent.row()));
    if (row >= static_cast<int>(page.entries.size()))
        return {};
    return createIndex(row, column, quintptr(parent.row() + 1));
}

QModelIndex TuningAreaModel::parent(const QModelIndex& child) const {
    if (!child.isValid() || child.internalId() == 0)
        return {};
    return createIndex(static_cast<int>(child.internalId() - 1), 0, quintptr(0));
}

int TuningAreaModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid())
        return static_cast<int>(pages_.size());
    if (parent.internalId() != 0 || parent.column() != 0)
        return 0;
    return static_cast<int>(pages_.at(static_cast<std::size_t>(parent.row())).entries.size());
}

int TuningAreaModel::columnCount(const QModelIndex&) const {
    return ColumnCount;
}

QVariant TuningAreaModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    if (index.internalId() == 0) {
        const Page& page = pages_.at(static_cast<std::size_t>(index.row()));
        const int m = pageMarks(page);
        switch (role) {
        case Qt::DisplayRole:
            return index.column() == Setting ? QString::fromStdString(page.title) : QVariant();
        case kMarkRole:
            return m;
        case Qt::FontRole: {
            QFont f;
            f.setBold(true);
            return f;
        }
        case Qt::ToolTipRole:
        case Qt::AccessibleDescriptionRole:
            return m ? QStringLiteral("Values here are %1").arg(markText(m)) : QVariant();
        default:
            return {};
        }
    }
    const Page& page = pages_.at(static_cast<std::size_t>(index.internalId() - 1));
    const CatalogueEntry& e = *page.entries.at(static_cast<std::size_t>(index.row()));
    const int m = marks(e);
    // Which mark a cell shows: its own column's, and every mark on the name.
    int cellMarks = 0;
    switch (index.column()) {
    case Setting:
        cellMarks = m;
        break;
    case Now:
        cellMarks = m & ChangedSinceRead;
        break;
    case Programmed:
        cellMarks = m & ProgrammedMark;
        break;
    case File:
        cellMarks = m & DiffersFromFile;
        break;
    default:
        break;
    }
    switch (role) {
    case Qt::DisplayRole:
        return cell(e, index.column());
    case kMarkRole:
        return cellMarks;
    case Qt::BackgroundRole:
        return markBrush(cellMarks);
    case Qt::FontRole:
        if (cellMarks) {
            QFont f;
            f.setBold(true);
            return f;
        }
        return {};
    case Qt::ToolTipRole:
    case Qt::AccessibleDescriptionRole:
        return cellMarks ? markText(cellMarks) : QVariant();
    default:
        return {};
    }
}

QVariant TuningAreaModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case Setting:
        return QStringLiteral("Setting");
    case Read:
        return session_.record.source == ImageSource::File ? QStringLiteral("Loaded")
                                                           : QStringLiteral("Read");
    case Now:
        return QStringLiteral("Now");
    case Programmed:
        return QStringLiteral("Programmed");
    case File:
        return comparison_ ? comparison_->name : QStringLiteral("File");
    default:
        return {};
    }
}

// ----- the bytes in hex -----

TuningHexModel::TuningHexModel(const Session& session, QObject* parent)
    : QAbstractTableModel(parent), session_(session) {}

void TuningHexModel::refresh() {
    emit dataChanged(index(0, 0), index(15, 15));
}

void TuningHexModel::setComparison(std::optional<Comparison> comparison) {
    comparison_ = std::move(comparison);
    refresh();
}

int TuningHexModel::marks(int byte) const {
    const Session& s = session_;
    if (!hasImage(s))
        return 0;
    const auto i = static_cast<std::size_t>(byte);
    int m = 0;
    if (s.image[i] != s.record.asRead[i])
        m |= ChangedSinceRead;
    if (s.record.isProgrammed[i])
        m |= ProgrammedMark;
    if (comparison_ && s.image[i] != comparison_->image[i])
        m |= DiffersFromFile;
    return m;
}

int TuningHexModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 16;
}

int TuningHexModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 16;
}

QString TuningHexModel::toolTip(int byte) const {
    const Session& s = session_;
    const auto i = static_cast<std::size_t>(byte);
    QStringList lines;
    QString head = QStringLiteral("0x") + hex2(static_cast<unsigned>(byte));
    const auto entries = entriesAt(static_cast<unsigned>(byte), s.flags.isAk2347Radio);
    if (!entries.empty())
        head += QStringLiteral("  ") + QString::fromStdString(entries.front()->name(s));
    lines << head;
    QStringList regions;
    for (const Region& r : kRegions)
        if (r.contains(static_cast<unsigned>(byte)))
            regions << QStringLiteral("0x%1..0x%2 %3")
                           .arg(hex2(r.offset), hex2(r.end() - 1),
                                QString::fromUtf8(
                                    ownerName(r.owner).data(),
                                    static_cast<qsizetype>(ownerName(r.owner).size())));
    lines << (regions.isEmpty() ? QStringLiteral("Written by no page")
                                : QStringLiteral("Region ") + regions.join(QStringLiteral("; ")));
    if (hasImage(s)) {
        QString values = QStringLiteral("%1 %2, now %3")
                             .arg(s.record.source == ImageSource::File ? QStringLiteral("loaded")
                                                                       : QStringLiteral("read"),
                                  hex2(s.record.asRead[i]), hex2(s.image[i]));
        if (s.record.isProgrammed[i])
            values += QStringLiteral(", programmed ") + hex2(s.record.programmed[i]);
        if (comparison_)
            values += QStringLiteral(", %1 %2").arg(comparison_->name, hex2(comparison_->image[i]));
        lines << values;
    }
    return lines.join(QLatin1Char('\n'));
}

QVariant TuningHexModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= 16 || index.column() >= 16)
        return {};
    const int byte = byteAt(index);
    const int m = marks(byte);
    switch (role) {
    case Qt::DisplayRole:
        return hasImage(session_) ? hex2(session_.image[static_cast<std::size_t>(byte)])
                                  : QString();
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::AlignCenter);
    case kMarkRole:
        return m;
    case Qt::BackgroundRole:
        // The region's colour stays visible for programmed bytes; their text turns green.
        if (m & (DiffersFromFile | ChangedSinceRead))
            return markBrush(m);
        if (const Region* r = regionOf(byte))
            return QBrush(regionColour(r->owner));
        return {};
    case Qt::ForegroundRole:
        if (m & ProgrammedMark)
            return QBrush(QColor(0x00, 0x70, 0x00));
        return {};
    case Qt::FontRole:
        if (m & (DiffersFromFile | ChangedSinceRead)) {
            QFont f;
            f.setBold(true);
            return f;
        }
        return {};
    case Qt::ToolTipRole:
        return toolTip(byte);
    case Qt::AccessibleDescriptionRole:
        return m ? markText(m) : QVariant();
    default:
        return {};
    }
}

QVariant TuningHexModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || section < 0 || section >= 16)
        return {};
    if (orientation == Qt::Horizontal)
        return QStringLiteral("%1").arg(section, 0, 16).toUpper();
    return hex2(static_cast<unsigned>(section * 16));
}

} // namespace korvelo
