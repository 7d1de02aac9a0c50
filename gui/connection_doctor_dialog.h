#pragma once
// Tools > "Connection Doctor...": every serial port in a table, the port Korvelo would use now,
// and what stands in its way, each finding with its fix. "Find my cable" takes the port that
// appears when the cable is plugged in again and, after a confirmation, stores it as System
// Configuration would.
#include "doctor/connection_doctor.h"

#include <QAbstractTableModel>
#include <QDialog>
#include <functional>
#include <vector>

class QLabel;
class QListView;
class QPushButton;
class QStringListModel;
class QTableView;

namespace korvelo {

class PortTableModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    enum Column { Port, Description, Manufacturer, UsbId, SerialNumber, Search, UsedNow, Columns };

    explicit PortTableModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}
    void setRows(std::vector<doctor::PortRow> rows);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

  private:
    std::vector<doctor::PortRow> rows_;
};

class ConnectionDoctorDialog : public QDialog {
    Q_OBJECT
  public:
    // gather: the doctor's input as things are now (read afresh for every check and for each
    // listing of Find my cable).
    explicit ConnectionDoctorDialog(std::function<doctor::DoctorInput()> gather,
                                    QWidget* parent = nullptr);
    // The program's own input: the system's ports and profile; runPort is the port given for
    // this run (empty when the profile chooses).
    static std::function<doctor::DoctorInput()> systemGatherer(const QString& runPort);

    void check();
    void findMyCable();

    PortTableModel* portModel() const { return ports_; }
    QStringListModel* findingModel() const { return findings_; }
    QLabel* choiceLabel() const { return choice_; }
    QPushButton* findButton() const { return findButton_; }
    QPushButton* checkButton() const { return checkButton_; }

  private:
    std::function<doctor::DoctorInput()> gather_;
    PortTableModel* ports_ = nullptr;
    QStringListModel* findings_ = nullptr;
    QTableView* table_ = nullptr;
    QListView* findingList_ = nullptr;
    QLabel* choice_ = nullptr;
    QPushButton* checkButton_ = nullptr;
    QPushButton* findButton_ = nullptr;
};

} // namespace korvelo
