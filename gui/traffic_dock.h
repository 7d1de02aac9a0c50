#pragma once
// The traffic dock (View menu): every frame sent and received, the pauses and the waits that
// ended without a reply, with a text filter, copying of the selected lines and saving as text.
#include <QDockWidget>
#include <functional>

class QLineEdit;
class QSortFilterProxyModel;
class QTableView;

namespace korvelo {

class TrafficModel;

class TrafficDock : public QDockWidget {
    Q_OBJECT
  public:
    TrafficDock(TrafficModel& model, QWidget* parent);

    QTableView* view() const { return view_; }
    QLineEdit* filterEdit() const { return filter_; }
    QSortFilterProxyModel* shown() const { return proxy_; }

    // The lines shown, tab-separated, one per line; the selected ones only when selected.
    QString linesText(bool selectedOnly) const;
    void copySelection() const;
    // Saves the lines shown; false, after telling the user, when the file cannot be written.
    bool saveTo(const QString& path);
    // Asks for a file name; tests replace it.
    std::function<QString(QWidget*)> saveName;

  private:
    void saveAs();
    void followTail();

    TrafficModel& model_;
    QSortFilterProxyModel* proxy_ = nullptr;
    QTableView* view_ = nullptr;
    QLineEdit* filter_ = nullptr;
    bool atBottom_ = true;
};

} // namespace korvelo
