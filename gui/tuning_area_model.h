#pragma once
// The bench window's views of the tuning area, as models over the session and the tuning-area
// catalogue: the values grouped by page (TuningAreaModel, a tree) and the 256 bytes in hex
// (TuningHexModel). Each shows what was read (or loaded), what the image holds now and what
// the radio acknowledged as programmed since Tuning Init, and, while comparing, a file's
// values. Read-only: the pages are where values change.
#include "catalogue/catalogue.h"

#include <QAbstractItemModel>
#include <QAbstractTableModel>
#include <QColor>
#include <QString>
#include <optional>
#include <vector>

namespace korvelo {

// What makes a value or byte stand out.
enum Mark : int {
    ChangedSinceRead = 1, // the image differs from what was read or loaded
    ProgrammedMark = 2,   // the radio acknowledged it since Tuning Init
    DiffersFromFile = 4,  // the compared file holds something else
};
inline constexpr int kMarkRole = Qt::UserRole + 1; // int: the Mark bits

// The colour the hex view gives a region's bytes.
QColor regionColour(RegionOwner owner);

// The file a view compares the image with.
struct Comparison {
    TuningImage image;
    QString name;
};

class TuningAreaModel : public QAbstractItemModel {
    Q_OBJECT
  public:
    enum Column { Setting, Read, Now, Programmed, File, ColumnCount };

    explicit TuningAreaModel(const Session& session, QObject* parent = nullptr);

    // After the session changed: values, marks and, for the other audio processor, the pages.
    void refresh();
    void setComparison(std::optional<Comparison> comparison);
    const std::optional<Comparison>& comparison() const { return comparison_; }
    // Values carrying a mark, over every page shown.
    int count(Mark mark) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

  private:
    struct Page {
        std::string title;
        std::vector<const CatalogueEntry*> entries;
    };
    std::vector<Page> pagesFor(bool isAk2347Radio) const;
    int marks(const CatalogueEntry& e) const;
    int pageMarks(const Page& page) const;
    QString cell(const CatalogueEntry& e, int column) const;

    const Session& session_;
    std::vector<Page> pages_;
    std::optional<Comparison> comparison_;
};

class TuningHexModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    explicit TuningHexModel(const Session& session, QObject* parent = nullptr);

    void refresh();
    void setComparison(std::optional<Comparison> comparison);
    // The byte behind a cell (row * 16 + column).
    static int byteAt(const QModelIndex& index) { return index.row() * 16 + index.column(); }
    int marks(int byte) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

  private:
    QString toolTip(int byte) const;

    const Session& session_;
    std::optional<Comparison> comparison_;
};

} // namespace korvelo
