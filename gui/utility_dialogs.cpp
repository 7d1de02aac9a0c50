#include "gui/utility_dialogs.h"

#include "radio/radio_utilities.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace korvelo {

namespace {

QDialogButtonBox* okButton(QDialog* dialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, dialog);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    return buttons;
}

} // namespace

ReadingDialog::ReadingDialog(const QString& caption, const QString& initial,
                             Qt::Alignment alignment, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(caption);
    value_ = new QLineEdit(initial, this);
    value_->setReadOnly(true);
    value_->setAlignment(alignment);
    value_->setProperty("controlId", kValueId);
    value_->setAccessibleName(caption);
    value_->setMinimumWidth(140);
    auto* form = new QFormLayout;
    form->addRow(caption, value_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(okButton(this));
}

CFWVersionDlg::CFWVersionDlg(AppEnv& env, QWidget* parent)
    : ReadingDialog(QStringLiteral("FW Version"), QStringLiteral("00.00"),
                    Qt::AlignRight | Qt::AlignVCenter, parent) {
    value_->setText(QString::fromStdString(ReadFwVersion(env)));
}

CSerialnumDlg::CSerialnumDlg(AppEnv& env, QWidget* parent)
    : ReadingDialog(QStringLiteral("Serial Number"), QString(), Qt::AlignCenter, parent) {
    value_->setText(QString::fromStdString(ReadSerialNumber(env)));
}

CCountryCode::CCountryCode(AppEnv& env, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Country Code"));
    country_ = new QComboBox(this);
    // The entries in their sorted order: the empty entry, "Australia", "None".
    country_->addItems({QString(), QStringLiteral("Australia"), QStringLiteral("None")});
    country_->setEnabled(false);
    country_->setProperty("controlId", kCountryId);
    country_->setAccessibleName(QStringLiteral("Country Code"));
    country_->setMinimumContentsLength(12);
    country_->setCurrentIndex(-1);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Country Code"), country_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(okButton(this));
    country_->setCurrentIndex(ReadCountryCode(env));
}

} // namespace korvelo
