#pragma once
// The controls of one softpot row, laid out in a grid row: frequency point, Default Softpot,
// scroll bar, Working Softpot, up-down, and on rows that take a meter reading its field, unit
// and verdict. It forwards the user's actions to the SoftpotGroup (and the reading to the
// page's RowReadings) and mirrors the row's state from them; it holds no value of its own.
#include "softpot/engine/row_readings.h"
#include "softpot/engine/softpot_group.h"

#include <QObject>

class QGridLayout;
class QLabel;
class QLineEdit;
class QScrollBar;
class QWidget;

namespace korvelo {

class UpDownControl;

class SoftpotRowWidget : public QObject {
    Q_OBJECT
  public:
    // Creates the controls as children of parent and places them in grid row gridRow; the
    // reading controls when `readings` has a limit for the row.
    SoftpotRowWidget(SoftpotGroup& group, int row, QWidget* parent, QGridLayout* grid, int gridRow,
                     RowReadings* readings = nullptr);

    void mirror();
    void focusScrollBar();

    // Width of the frame a focused scroll bar draws in the highlight colour.
    static constexpr int kFocusFrameWidth = 2;

    QLineEdit* frequencyEdit() const { return frequency_; }
    QLineEdit* defaultEdit() const { return default_; }
    QScrollBar* scrollBar() const { return scrollBar_; }
    QLineEdit* workingEdit() const { return working_; }
    UpDownControl* upDown() const { return upDown_; }
    // Null on rows that take no meter reading.
    QLineEdit* readingEdit() const { return reading_; }
    QLabel* verdictLabel() const { return verdict_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void onAction(int action);
    // A typed value not yet entered and a value outside the range look different.
    void showMarks(const RowMarks& marks);
    void addReadingControls(QWidget* parent, QGridLayout* grid, int gridRow, const QString& name);
    void takeReading();
    void showVerdict();

    SoftpotGroup& group_;
    int row_;
    QLineEdit* frequency_;
    QLineEdit* default_;
    QScrollBar* scrollBar_;
    QLineEdit* working_;
    UpDownControl* upDown_;
    RowReadings* readings_ = nullptr;
    QLineEdit* reading_ = nullptr;
    QLabel* verdict_ = nullptr;
    RowMarks shown_;
    bool marksShown_ = false;
};

} // namespace korvelo
