#include "gui/restore_dialog.h"

#include "catalogue/catalogue.h"
#include "gui/message_box_notifier.h"
#include "radio/band_model.h"
#include "radio/restore.h"
#include "radio/write_check.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

namespace korvelo {

namespace {

enum Column { Time, Serial, Band, Memory, Chip, File, Columns };

QString text(const std::string& s) {
    return QString::fromStdString(s);
}

bool sameRadio(const std::string& a, const std::string& b) {
    // Exactly: "AB-12/345 " and "AB-12345" are two radios, whatever their file names.
    return !a.empty() && !b.empty() && a == b;
}

} // namespace

void BackupListModel::setEntries(std::vector<BackupEntry> entries) {
    beginResetModel();
    entries_ = std::move(entries);
    endResetModel();
}

const BackupEntry* BackupListModel::entry(int row) const {
    if (row < 0 || row >= rowCount())
        return nullptr;
    return &entries_[static_cast<std::size_t>(row)];
}

int BackupListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(entries_.size());
}

int BackupListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Columns;
}

QVariant BackupListModel::data(const QModelIndex& index, int role) const {
    const BackupEntry* e = index.isValid() ? entry(index.row()) : nullptr;
    if (!e || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    const BackupFacts& f = e->facts;
    switch (index.column()) {
    case Time:
        return text(readableStamp(f.time));
    case Serial:
        return f.serial.empty() ? QStringLiteral("unknown") : text(f.serial);
    case Band: {
        const auto range = bandRange(bandGroup(f.bandType, Type1::AsV2));
        return QStringLiteral("type %1%2")
            .arg(f.bandType)
            .arg(range.empty() ? QString() : QStringLiteral(" (%1)").arg(text(std::string(range))));
    }
    case Memory:
        return e->hasSidecar ? QString(f.is256BlockMemory ? QStringLiteral("256 blocks")
                                                          : QStringLiteral("128 blocks"))
                             : QStringLiteral("not recorded");
    case Chip:
        return e->hasSidecar
                   ? QString(f.isAk2347Radio ? QStringLiteral("AK2347") : QStringLiteral("CMX148"))
                   : QStringLiteral("not recorded");
    case File:
        return role == Qt::ToolTipRole ? QDir::toNativeSeparators(text(displayPath(e->path)))
                                       : text(displayPath(e->path.filename()));
    default:
        return {};
    }
}

QVariant BackupListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char* const kNames[Columns] = {"Time",   "Serial number",   "Band",
                                                "Memory", "Audio processor", "File"};
    return section >= 0 && section < Columns ? QString::fromLatin1(kNames[section]) : QVariant();
}

RestoreBackupDialog::RestoreBackupDialog(AppEnv& env, const TuningImage& radioNow, QWidget* parent)
    : QDialog(parent), env_(env), radioNow_(radioNow),
      serial_(env.session.guardRecord.serialNumber) {
    setWindowTitle(QStringLiteral("Restore Backup"));
    setAccessibleName(QStringLiteral("Restore Backup"));
    resize(760, 520);
    auto* layout = new QVBoxLayout(this);

    auto* intro = new QLabel(
        serial_ ? QStringLiteral("Backups of the radio in tuner mode (serial number %1):")
                      .arg(text(*serial_))
                : QStringLiteral("The radio did not tell its serial number at Tuning Init: "
                                 "make sure a backup is of this radio before restoring it."),
        this);
    intro->setWordWrap(true);
    intro->setAccessibleName(QStringLiteral("Which radio"));
    layout->addWidget(intro);

    model_ = new BackupListModel(this);
    list_ = new QTableView(this);
    list_->setModel(model_);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->horizontalHeader()->setStretchLastSection(true);
    list_->verticalHeader()->hide();
    list_->setAccessibleName(QStringLiteral("Backups"));
    layout->addWidget(list_, 2);

    others_ = new QCheckBox(QStringLiteral("Show backups of &other radios"), this);
    others_->setAccessibleName(QStringLiteral("Show backups of other radios"));
    others_->setVisible(serial_.has_value());
    layout->addWidget(others_);
    warning_ = new QLabel(QStringLiteral("Backups of other radios hold another radio's factory "
                                         "alignment: restoring one into this radio misaligns "
                                         "it."),
                          this);
    warning_->setWordWrap(true);
    warning_->setStyleSheet(QStringLiteral("color: #a00000;"));
    warning_->setAccessibleName(QStringLiteral("Warning"));
    warning_->hide();
    layout->addWidget(warning_);

    auto* changesLabel = new QLabel(QStringLiteral("&What a restore would change:"), this);
    changes_ = new QPlainTextEdit(this);
    changes_->setReadOnly(true);
    changes_->setAccessibleName(QStringLiteral("What a restore would change"));
    changesLabel->setBuddy(changes_);
    layout->addWidget(changesLabel);
    layout->addWidget(changes_, 3);

    auto* buttons = new QDialogButtonBox(this);
    restore_ = buttons->addButton(QStringLiteral("&Restore"), QDialogButtonBox::AcceptRole);
    restore_->setAccessibleName(QStringLiteral("Restore"));
    restore_->setEnabled(false);
    QPushButton* close = buttons->addButton(QDialogButtonBox::Close);
    close->setAccessibleName(QStringLiteral("Close"));
    connect(restore_, &QPushButton::clicked, this, &RestoreBackupDialog::restore);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    layout->addWidget(buttons);

    connect(others_, &QCheckBox::toggled, this, [this](bool on) {
        warning_->setVisible(on);
        fill();
    });
    connect(list_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { choose(); });
    fill();
}

std::unique_ptr<QDialog> RestoreBackupDialog::open(AppEnv& env, QWidget* parent) {
    const auto area = readRadioArea(env);
    if (!area)
        return nullptr;
    return std::make_unique<RestoreBackupDialog>(env, *area, parent);
}

void RestoreBackupDialog::fill() {
    const std::filesystem::path& folder = env_.session.guard.backupFolder;
    std::vector<BackupEntry> entries;
    if (serial_ && !others_->isChecked()) {
        entries = listBackups(folder, serial_);
    } else {
        entries = listBackups(folder);
        // This radio's own backups first, each group newest first.
        std::stable_partition(entries.begin(), entries.end(), [this](const BackupEntry& e) {
            return serial_ && sameRadio(e.facts.serial, *serial_);
        });
    }
    model_->setEntries(std::move(entries));
    list_->resizeColumnsToContents();
    chosen_.reset();
    changes_->setPlainText(model_->rowCount() == 0
                               ? QStringLiteral("No backups in %1.")
                                     .arg(QDir::toNativeSeparators(text(displayPath(folder))))
                               : QStringLiteral("Choose a backup."));
    restore_->setEnabled(false);
    if (model_->rowCount() > 0)
        list_->selectRow(0);
}

void RestoreBackupDialog::choose() {
    chosen_.reset();
    restore_->setEnabled(false);
    const BackupEntry* e = model_->entry(list_->currentIndex().row());
    if (!e)
        return;
    Session file;
    RecordingNotifier why;
    if (!OpenTuningFile(file, e->path, why)) {
        changes_->setPlainText(why.notices.empty() ? QStringLiteral("Cannot open the file")
                                                   : text(why.notices.front().text));
        return;
    }
    const Session& s = env_.session;
    if (file.flags.isAk2347Radio != s.flags.isAk2347Radio) {
        changes_->setPlainText(
            QStringLiteral("This backup is of a radio with the other audio processor; it cannot "
                           "be restored into this one."));
        return;
    }
    // What the regions written carry, decoded as the pages and the bench window's compare show
    // it, after the regions themselves.
    QString shown;
    const std::vector<Region> regions = regionsToRestore(radioNow_, file.image);
    for (std::size_t i = 0; i < regions.size(); ++i)
        shown +=
            (i ? QStringLiteral(", ") : QStringLiteral("Writes ")) +
            text(writtenRangeName(s.flags.is256BlockMemory, regions[i].offset, regions[i].count)) +
            (i + 1 == regions.size() ? QStringLiteral(".\n\n") : QString());
    Session now = s;
    now.image = radioNow_;
    for (const std::string& line : describeDifferences(now, file.image))
        shown += text(line) + QLatin1Char('\n');
    changes_->setPlainText(shown.isEmpty() ? QStringLiteral("The radio holds this backup's values "
                                                            "already: nothing to restore.")
                                           : shown);
    chosen_ = TuningRecord{file.flags.isAk2347Radio, file.image};
    chosenSerial_ = e->facts.serial;
    restore_->setEnabled(!regions.empty());
}

void RestoreBackupDialog::restore() {
    if (!chosen_)
        return;
    if (!serial_ || !sameRadio(chosenSerial_, *serial_)) {
        const QString from = chosenSerial_.empty()
                                 ? QStringLiteral("an unknown radio")
                                 : QStringLiteral("radio %1").arg(text(chosenSerial_));
        const QString to = serial_ ? QStringLiteral("radio %1").arg(text(*serial_))
                                   : QStringLiteral("a radio whose serial number is unknown");
        if (!askYesNo(this, QStringLiteral("This backup was taken from %1; the radio in tuner mode "
                                           "is %2. Restore it anyway?")
                                .arg(from, to)))
            return;
    }
    const RestoreResult r = RestoreBackup(env_, *chosen_);
    if (r.outcome == RestoreOutcome::Restored || r.outcome == RestoreOutcome::NothingToDo)
        accept();
}

} // namespace korvelo
