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

CFWVersionDlg::CFWVersionDlg(const QString& value, QWidget* parent)
    : ReadingDialog(QStringLiteral("FW Version"), value, Qt::AlignRight | Qt::AlignVCenter,
                    parent) {}

std::unique_ptr<QDialog> CFWVersionDlg::read(AppEnv& env, QWidget* parent) {
    const auto value = ReadFwVersion(env);
    if (!value)
        return nullptr;
    return std::make_unique<CFWVersionDlg>(QString::fromStdString(*value), parent);
}

CSerialnumDlg::CSerialnumDlg(const QString& value, QWidget* parent)
    : ReadingDialog(QStringLiteral("Serial Number"), value, Qt::AlignCenter, parent) {}

std::unique_ptr<QDialog> CSerialnumDlg::read(AppEnv& env, QWidget* parent) {
    const auto value = ReadSerialNumber(env);
    if (!value)
        return nullptr;
    return std::make_unique<CSerialnumDlg>(QString::fromStdString(*value), parent);
}

std::unique_ptr<QDialog> CCountryCode::read(AppEnv& env, QWidget* parent) {
    const auto index = ReadCountryCode(env);
    if (!index)
        return nullptr;
    return std::make_unique<CCountryCode>(*index, parent);
}

CCountryCode::CCountryCode(int index, QWidget* parent) : QDialog(parent) {
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
    country_->setCurrentIndex(index);
}

} // namespace korvelo
