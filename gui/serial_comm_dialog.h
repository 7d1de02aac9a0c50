#pragma once
// "System Configuration": automatic detection of the bridge, or one port chosen from every
// serial port the system has. The dialog only stores the choice; it opens no port.
#include <QDialog>
#include <QStringList>

class QCheckBox;
class QComboBox;
class QLabel;

namespace korvelo {

class CSerialCommDlg : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kAutoDetectId = 1093;
    static constexpr int kPortLabelId = 1351;
    static constexpr int kPortListId = 1002;

    // portNames: the list to offer, in the system's order (every serial port by default).
    explicit CSerialCommDlg(QWidget* parent = nullptr);
    CSerialCommDlg(const QStringList& portNames, QWidget* parent);

    QCheckBox* autoDetectBox() const { return autoDetect_; }
    QComboBox* portList() const { return portList_; }
    QLabel* portLabel() const { return portLabel_; }

    void accept() override;

    // When the port is fixed for this run (--port, --simulator): says so, since the choice
    // made here only takes effect at the next start.
    void showRunPort(const QString& device);

    // Every serial port's name, in the system's order.
    static QStringList systemPortNames();

  private:
    void updateEnabling();

    QCheckBox* autoDetect_ = nullptr;
    QLabel* portLabel_ = nullptr;
    QComboBox* portList_ = nullptr;
    QLabel* runPortNote_ = nullptr;
};

} // namespace korvelo
