#pragma once
// An up-down control whose only output is the direction of a click: it keeps no value of its
// own (the page owns the value), so it cannot drift from what the page shows.
#include <QWidget>
#include <functional>

class QToolButton;

namespace korvelo {

class UpDownControl : public QWidget {
    Q_OBJECT
  public:
    explicit UpDownControl(QWidget* parent = nullptr);
    // Names the two arrows for assistive technology ("<name>, up", "<name>, down").
    void setAccessibleBaseName(const QString& name);
    // The arrows' clicks count during a radio exchange while keeps() says so (GuiClock).
    void takeStepsDuringWaits(const std::function<bool()>& keeps);

  signals:
    void stepped(int delta); // +1 for up, -1 for down

  private:
    QToolButton* up_;
    QToolButton* down_;
};

} // namespace korvelo
