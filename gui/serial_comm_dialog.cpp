#include "gui/serial_comm_dialog.h"

#include "link/qt/serial_ports.h"
#include "link/qt/tuner_settings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace korvelo {

QStringList CSerialCommDlg::systemPortNames() {
    QStringList names;
    for (const SSerInfo& port : enumerateSerialPorts().ports)
        names << QString::fromStdString(port.portName);
    return names;
}

CSerialCommDlg::CSerialCommDlg(QWidget* parent) : CSerialCommDlg(systemPortNames(), parent) {}

CSerialCommDlg::CSerialCommDlg(const QStringList& portNames, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("System Configuration"));
    setAccessibleName(QStringLiteral("System Configuration"));

    auto* group = new QGroupBox(QStringLiteral("Serial Communication Setting"), this);
    autoDetect_ = new QCheckBox(QStringLiteral("Auto Detect COM Port"), group);
    autoDetect_->setLayoutDirection(Qt::RightToLeft); // text on the left of the box
    autoDetect_->setProperty("controlId", kAutoDetectId);
    autoDetect_->setAccessibleName(QStringLiteral("Auto Detect COM Port"));
    portLabel_ = new QLabel(QStringLiteral("Select COM Port"), group);
    portLabel_->setProperty("controlId", kPortLabelId);
    portList_ = new QComboBox(group);
    portList_->setProperty("controlId", kPortListId);
    portList_->setAccessibleName(QStringLiteral("Select COM Port"));
    portList_->setMinimumContentsLength(12);
    portLabel_->setBuddy(portList_);
    auto* baud = new QLabel(QStringLiteral("Baud Rate :  19,200 bps"), group);

    auto* grid = new QGridLayout(group);
    grid->addWidget(autoDetect_, 0, 0, 1, 2, Qt::AlignLeft);
    grid->addWidget(portLabel_, 1, 0);
    grid->addWidget(portList_, 1, 1);
    grid->addWidget(baud, 2, 0, 1, 2);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    runPortNote_ = new QLabel(this);
    runPortNote_->setWordWrap(true);
    runPortNote_->setAccessibleName(QStringLiteral("Port of this run"));
    runPortNote_->hide();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(runPortNote_);
    layout->addWidget(buttons);

    portList_->addItems(portNames);

    TunerSettings settings;
    const QString autoValue = settings.autoDetect();
    const QString com = settings.com();
    if (autoValue.isEmpty())
        settings.setAutoDetect(true);
    // Ticked exactly when OpenPort searches automatically (anything but "No").
    autoDetect_->setChecked(settings.isAutoDetect());
    const int stored = com.isEmpty() ? -1 : portList_->findText(com, Qt::MatchExactly);
    portList_->setCurrentIndex(stored >= 0 ? stored : (portList_->count() > 0 ? 0 : -1));
    updateEnabling();
    connect(autoDetect_, &QCheckBox::toggled, this, [this] { updateEnabling(); });
}

void CSerialCommDlg::updateEnabling() {
    const bool manual = !autoDetect_->isChecked();
    portList_->setEnabled(manual);
    portLabel_->setEnabled(manual);
}

void CSerialCommDlg::showRunPort(const QString& device) {
    runPortNote_->setText(QStringLiteral("This run uses %1, given when the program was started; "
                                         "the choice made here applies from the next start.")
                              .arg(device));
    runPortNote_->setVisible(!device.isEmpty());
}

void CSerialCommDlg::accept() {
    TunerSettings settings;
    settings.setAutoDetect(autoDetect_->isChecked());
    settings.setCom(portList_->currentText());
    settings.sync();
    QDialog::accept();
}

} // namespace korvelo
