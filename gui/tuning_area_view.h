#pragma once
// The rest of the bench window: the tuning area as values by page (a tree) and as 256 bytes in
// hex (a second tab), a line that sums up what changed, and "Compare with a file...".
#include "gui/tuning_area_model.h"

#include <QWidget>

class QLabel;
class QPushButton;
class QTabWidget;
class QTableView;
class QTreeView;

namespace korvelo {

class ValuesChart;

class TuningAreaView : public QWidget {
    Q_OBJECT
  public:
    TuningAreaView(const Session& session, QWidget* parent);

    void refresh();
    // Shows the file's values beside the image's; nothing (after telling the user) when it
    // cannot be read.
    bool compareWith(const QString& path, Notifier& notifier);
    void stopComparing();

    TuningAreaModel& values() { return values_; }
    TuningHexModel& hex() { return hex_; }
    QTreeView* tree() const { return tree_; }
    QTableView* hexView() const { return hexView_; }
    QTabWidget* tabs() const { return tabs_; }
    QLabel* summary() const { return summary_; }
    QPushButton* compareButton() const { return compare_; }
    QPushButton* stopButton() const { return stop_; }
    ValuesChart* chart() const { return chart_; }
    // The page the chart shows: that of the value or page chosen in the tree, else the first
    // page with frequency points.
    QString chartPage() const;

  signals:
    void compareRequested();

  private:
    QString summaryText() const;
    void drawCurves();

    const Session& session_;
    TuningAreaModel values_;
    TuningHexModel hex_;
    QLabel* summary_ = nullptr;
    QPushButton* compare_ = nullptr;
    QPushButton* stop_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    QTreeView* tree_ = nullptr;
    QTableView* hexView_ = nullptr;
    ValuesChart* chart_ = nullptr;
    bool otherChip_ = false; // the compared file is of the other audio processor
};

} // namespace korvelo
