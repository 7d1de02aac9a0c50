#include "gui/connection_doctor_dialog.h"

#include "gui/message_box_notifier.h"
#include "link/qt/serial_ports.h"
#include "link/qt/tuner_settings.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QStringListModel>
#include <QTableView>
#include <QVBoxLayout>

namespace korvelo {

namespace {

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

// OK or Cancel, captioned as every message box of the program.
bool askToContinue(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Information, QString::fromLatin1(kMessageCaption), text,
                    QMessageBox::Ok | QMessageBox::Cancel, parent);
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec() == QMessageBox::Ok;
}

} // namespace

void PortTableModel::setRows(std::vector<doctor::PortRow> rows) {
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

int PortTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int PortTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Columns;
}

QVariant PortTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= Columns)
        return {};
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole)
        return {};
    const doctor::PortRow& r = rows_[static_cast<std::size_t>(index.row())];
    switch (index.column()) {
    case Port:
        return qs(r.port.portName);
    case Description:
        return qs(r.port.portDescription.empty() ? r.port.friendlyName : r.port.portDescription);
    case Manufacturer:
        return qs(r.port.manufacturer);
    case UsbId:
        return qs(doctor::usbIds(r.port));
    case SerialNumber:
        return qs(r.port.serialNumber);
    case Search:
        return r.autoPick ? QStringLiteral("Takes it")
                          : (r.cp210x ? QStringLiteral("CP210x cable") : QString());
    case UsedNow:
        return r.chosen ? QStringLiteral("Yes") : QString();
    }
    return {};
}

QVariant PortTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char* const kTitles[Columns] = {"Port",    "Description",   "Manufacturer",
                                                 "USB ID",  "Serial number", "Automatic search",
                                                 "Used now"};
    return section >= 0 && section < Columns ? QString::fromLatin1(kTitles[section]) : QVariant();
}

ConnectionDoctorDialog::ConnectionDoctorDialog(std::function<doctor::DoctorInput()> gather,
                                               QWidget* parent)
    : QDialog(parent), gather_(std::move(gather)) {
    setWindowTitle(QStringLiteral("Connection Doctor"));
    setAccessibleName(QStringLiteral("Connection Doctor"));

    auto* portsLabel = new QLabel(QStringLiteral("Serial &ports:"), this);
    ports_ = new PortTableModel(this);
    table_ = new QTableView(this);
    table_->setModel(ports_);
    table_->setAccessibleName(QStringLiteral("Serial ports"));
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setStretchLastSection(true);
    portsLabel->setBuddy(table_);

    choice_ = new QLabel(this);
    choice_->setWordWrap(true);
    choice_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    choice_->setAccessibleName(QStringLiteral("Port Korvelo uses"));

    auto* findingsLabel = new QLabel(QStringLiteral("F&indings:"), this);
    findings_ = new QStringListModel(this);
    findingList_ = new QListView(this);
    findingList_->setModel(findings_);
    findingList_->setWordWrap(true);
    findingList_->setSpacing(3);
    findingList_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    findingList_->setAccessibleName(QStringLiteral("Findings"));
    findingsLabel->setBuddy(findingList_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    checkButton_ = buttons->addButton(QStringLiteral("&Check again"), QDialogButtonBox::ActionRole);
    findButton_ =
        buttons->addButton(QStringLiteral("&Find my cable"), QDialogButtonBox::ActionRole);
    checkButton_->setAccessibleName(QStringLiteral("Check again"));
    findButton_->setAccessibleName(QStringLiteral("Find my cable"));
    buttons->button(QDialogButtonBox::Close)->setAccessibleName(QStringLiteral("Close"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(checkButton_, &QPushButton::clicked, this, [this] { check(); });
    connect(findButton_, &QPushButton::clicked, this, [this] { findMyCable(); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(portsLabel);
    layout->addWidget(table_, 2);
    layout->addWidget(choice_);
    layout->addWidget(findingsLabel);
    layout->addWidget(findingList_, 3);
    layout->addWidget(buttons);
    resize(760, 460);
    check();
}

std::function<doctor::DoctorInput()>
ConnectionDoctorDialog::systemGatherer(const QString& runPort) {
    return [runPort] {
        const TunerSettings settings;
        std::optional<std::string> run;
        if (!runPort.isEmpty())
            run = runPort.toStdString();
        return doctor::hostInput(
            enumerateSerialPorts(),
            {settings.autoDetect().toStdString(), settings.com().toStdString()}, run);
    };
}

void ConnectionDoctorDialog::check() {
    const doctor::DoctorReport report = doctor::examine(gather_());
    ports_->setRows(report.ports);
    choice_->setText(qs(report.choice) + QLatin1Char(' ') +
                     (report.usable ? QStringLiteral("The cable's port is ready for use.")
                                    : QStringLiteral("No usable cable port was found.")));
    QStringList lines;
    for (const doctor::Finding& f : report.findings)
        lines << qs(f.line());
    if (lines.isEmpty())
        lines << QStringLiteral("No problem found.");
    findings_->setStringList(lines);
    table_->resizeColumnsToContents();
}

void ConnectionDoctorDialog::findMyCable() {
    if (!askToContinue(this, QStringLiteral("Find my cable\r\n\r\nUnplug the programming cable "
                                            "from the computer, then press OK.")))
        return;
    const std::vector<SSerInfo> before = gather_().ports.ports;
    if (!askToContinue(this, QStringLiteral("Plug the programming cable in again, wait a few "
                                            "seconds until the computer has found it, then "
                                            "press OK.")))
        return;
    const doctor::AppearedPort found = doctor::portThatAppeared(before, gather_().ports.ports);
    if (!found.port) {
        QMessageBox::warning(this, QString::fromLatin1(kMessageCaption), qs(found.problem));
        check();
        return;
    }
    const SSerInfo& port = *found.port;
    QString what = qs(port.portDescription.empty() ? port.friendlyName : port.portDescription);
    const QString ids = qs(doctor::usbIds(port));
    if (!ids.isEmpty())
        what += (what.isEmpty() ? QString() : QStringLiteral(", ")) + ids;
    const QString text =
        QStringLiteral("The cable is on %1%2.\r\n\r\nUse this port for the radio? System "
                       "Configuration is set to %1 with \"Auto Detect COM Port\" off.")
            .arg(qs(port.portName), what.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(what));
    if (askYesNo(this, text)) {
        TunerSettings settings;
        settings.setAutoDetect(false);
        settings.setCom(qs(port.portName));
        settings.sync();
    }
    check();
}

} // namespace korvelo
