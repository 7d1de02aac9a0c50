#pragma once
// File > "Restore Backup…": the backups of the radio in tuner mode (those of other radios on
// request, with a warning), what a restore of the chosen one would change in the radio as it
// is now, and the restore itself, which writes only the regions that differ and reads each
// back.
#include "radio/backup.h"
#include "radio/radio_state.h"

#include <QAbstractTableModel>
#include <QDialog>
#include <memory>
#include <optional>
#include <vector>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableView;

namespace korvelo {

// The backups as a table: time, serial number, band, memory, audio processor, file.
class BackupListModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    explicit BackupListModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}
    void setEntries(std::vector<BackupEntry> entries);
    const BackupEntry* entry(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

  private:
    std::vector<BackupEntry> entries_;
};

class RestoreBackupDialog : public QDialog {
    Q_OBJECT
  public:
    // radioNow: the radio's tuning area as read just before.
    RestoreBackupDialog(AppEnv& env, const TuningImage& radioNow, QWidget* parent = nullptr);

    // Reads the radio's tuning area first; nothing when it cannot (the user has been told).
    static std::unique_ptr<QDialog> open(AppEnv& env, QWidget* parent);

    QTableView* list() const { return list_; }
    QCheckBox* showOthers() const { return others_; }
    QPlainTextEdit* changes() const { return changes_; }
    QPushButton* restoreButton() const { return restore_; }
    BackupListModel* model() const { return model_; }

  private:
    void fill();
    void choose();
    void restore();

    AppEnv& env_;
    TuningImage radioNow_;
    std::optional<std::string> serial_;
    BackupListModel* model_;
    QTableView* list_;
    QCheckBox* others_;
    QLabel* warning_;
    QPlainTextEdit* changes_;
    QPushButton* restore_;
    std::optional<TuningRecord> chosen_;
    std::string chosenSerial_;
};

} // namespace korvelo
