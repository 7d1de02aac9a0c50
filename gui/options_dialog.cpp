#include "gui/options_dialog.h"

#include "radio/qt/korvelo_settings.h"
#include "radio/tuning_file.h"
#include "record/shop_database.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace korvelo {

OptionsDialog::OptionsDialog(const GuardOptions& current, QWidget* parent)
    : QDialog(parent), current_(current) {
    setWindowTitle(QStringLiteral("Options"));
    setAccessibleName(QStringLiteral("Options"));
    auto* layout = new QVBoxLayout(this);

    backups_ = new QCheckBox(QStringLiteral("Keep a &backup of the tuning area after every Tuning "
                                            "Init"),
                             this);
    backups_->setAccessibleName(QStringLiteral("Backup after every Tuning Init"));
    backups_->setChecked(current.backups);
    layout->addWidget(backups_);
    const QString folder =
        current.backupFolder.empty()
            ? QStringLiteral("(no data folder known)")
            : QDir::toNativeSeparators(QString::fromStdString(displayPath(current.backupFolder)));
    auto* where = new QLabel(
        QStringLiteral("Backups go to %1 and are never deleted by Korvelo.").arg(folder), this);
    where->setWordWrap(true);
    where->setTextInteractionFlags(Qt::TextSelectableByMouse);
    where->setAccessibleName(QStringLiteral("Backup folder"));
    layout->addWidget(where);

    verify_ =
        new QCheckBox(QStringLiteral("&Read back and compare every write to the radio"), this);
    verify_->setAccessibleName(QStringLiteral("Verify after write"));
    verify_->setChecked(current.verifyAfterWrite);
    layout->addWidget(verify_);

    auto* form = new QFormLayout;
    limit_ = new QSpinBox(this);
    limit_->setRange(GuardOptions::kMinTransmitLimitS, GuardOptions::kMaxTransmitLimitS);
    limit_->setSuffix(QStringLiteral(" s"));
    limit_->setValue(GuardOptions::clampTransmitLimit(current.transmitLimitS));
    limit_->setAccessibleName(QStringLiteral("Transmit limit in seconds"));
    auto* limitLabel = new QLabel(QStringLiteral("&Unkey a page's transmitter after"), this);
    limitLabel->setBuddy(limit_);
    form->addRow(limitLabel, limit_);

    // The alignment record: shown as stored, saved by the caller on OK.
    const KorveloSettings settings;
    technician_ = new QLineEdit(settings.technician(), this);
    technician_->setAccessibleName(QStringLiteral("Technician"));
    auto* technicianLabel = new QLabel(QStringLiteral("&Technician"), this);
    technicianLabel->setBuddy(technician_);
    form->addRow(technicianLabel, technician_);
    shop_ = new QLineEdit(settings.shopDatabase(), this);
    shop_->setPlaceholderText(QStringLiteral("service=shop, or host=... dbname=... (no password)"));
    shop_->setAccessibleName(QStringLiteral("Shop database connection"));
    auto* shopLabel = new QLabel(QStringLiteral("S&hop database"), this);
    shopLabel->setBuddy(shop_);
    form->addRow(shopLabel, shop_);
    if (!record::shopDatabaseAvailable()) {
        // Said where the setting is, never a silent failure later; the stored value is kept.
        shop_->setEnabled(false);
        auto* unavailable = new QLabel(record::shopDatabaseUnavailableText(), this);
        unavailable->setWordWrap(true);
        unavailable->setAccessibleName(QStringLiteral("Shop database not available"));
        form->addRow(QString(), unavailable);
    }
    layout->addLayout(form);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setAccessibleName(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setAccessibleName(QStringLiteral("Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

GuardOptions OptionsDialog::chosen() const {
    GuardOptions o = current_;
    o.backups = backups_->isChecked();
    o.verifyAfterWrite = verify_->isChecked();
    o.transmitLimitS = limit_->value();
    return o;
}

} // namespace korvelo
