#pragma once
// An up-down control whose only output is the direction of a click: it keeps no value of its
// own (the page owns the value), so it cannot drift from what the page shows.
#include <QWidget>

class QToolButton;

namespace korvelo {

class UpDownControl : public QWidget {
    Q_OBJECT
  public:
    explicit UpDownControl(QWidget* parent = nullptr);
    // Names the two arrows for assistive technology ("<name>, up", "<name>, down").
    void setAccessibleBaseName(const QString& name);

  signals:
    void stepped(int delta); // +1 for up, -1 for down

  private:
    QToolButton* up_;
    QToolButton* down_;
};

} // namespace korvelo
