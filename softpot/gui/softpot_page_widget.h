#pragma once
// The controls of one alignment page: its rows (in a group box per row group when the page has
// several, such as High and Low Power), the column headings, the meter reading fields of rows
// that take one, the "PTT Toggle" button of pages that key the transmitter, room for the dialog's
// own buttons, and the page's status line. It forwards the user's actions to the SoftpotGroup and
// mirrors the page's state; a page dialog or a tab of a tab host is one of these.
#include "softpot/engine/row_readings.h"
#include "softpot/engine/softpot_group.h"

#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class QComboBox;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QTimer;

namespace korvelo {

// The key that toggles PTT on every keying page (a click on the page's PTT button).
inline constexpr auto kPttShortcut = Qt::CTRL | Qt::Key_K;

class SoftpotRowWidget;
class TransmitBanner;

class SoftpotPageWidget : public QWidget, private SoftpotView {
    Q_OBJECT
  public:
    SoftpotPageWidget(SoftpotGroup& group, QWidget* parent = nullptr);
    ~SoftpotPageWidget() override;

    SoftpotGroup& group() { return group_; }
    // The meter readings typed on the page's rows (rows without a limit take none).
    const RowReadings& readings() const { return *readings_; }
    SoftpotRowWidget& rowWidget(int row) { return *rows_.at(static_cast<std::size_t>(row)); }
    QPushButton* pttButton() const { return ptt_; } // null on pages without keying
    QWidget* lastInTabOrder() const { return lastInTabOrder_; }
    QLabel* statusLine() const { return status_; }
    // The red "TRANSMITTING" bar, shown while the page has keyed; null on pages without keying.
    TransmitBanner* transmitBanner() const { return banner_; }
    // The tone or code lists (PageSpec::codeChoices), in their order.
    QComboBox* codeList(int i) const { return combos_.at(static_cast<std::size_t>(i)); }

    // A button of the dialog, placed after "PTT Toggle" and reached after it by Tab.
    void addButton(QPushButton* button);
    // Runs after every mirror, for the dialog's own controls.
    void setAfterMirror(std::function<void()> fn) { afterMirror_ = std::move(fn); }
    void mirror() { controlsChanged(); }

  private:
    void controlsChanged() override;
    void focusScrollBar(int row) override;
    void showTransmitState();

    SoftpotGroup& group_;
    std::unique_ptr<RowReadings> readings_;
    std::vector<SoftpotRowWidget*> rows_;
    QHBoxLayout* buttons_ = nullptr;
    QWidget* lastInTabOrder_ = nullptr;
    QPushButton* ptt_ = nullptr;
    QLabel* status_ = nullptr;
    TransmitBanner* banner_ = nullptr;
    std::vector<QComboBox*> combos_;
    std::function<void()> afterMirror_;
    QTimer* watchdog_ = nullptr; // gives the page's transmit watchdog its turns
};

// A push button of a page: starts disabled and never takes Enter, which belongs to the
// Working Softpot edits.
QPushButton* pageButton(const QString& text, QWidget* parent);

} // namespace korvelo
