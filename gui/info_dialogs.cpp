#include "gui/info_dialogs.h"

#include "gui/svg_icons.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#ifndef KORVELO_VERSION
#define KORVELO_VERSION "0"
#endif

namespace korvelo {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About Korvelo"));
    auto* icon = new QLabel(this);
    icon->setPixmap(svgPixmap(QStringLiteral(":/icons/korvelo.svg"), QSize(48, 48)));
    icon->setAccessibleName(QStringLiteral("Korvelo icon"));
    auto* text = new QLabel(QStringLiteral("Korvelo Version %1\n\n"
                                           "Alignment tool for analogue FM two-way radios")
                                .arg(QStringLiteral(KORVELO_VERSION)),
                            this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* row = new QHBoxLayout;
    row->addWidget(icon, 0, Qt::AlignTop);
    row->addWidget(text, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
}

CRadioSetupDlg::CRadioSetupDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Radio Setup"));
    auto* picture = new QLabel(this);
    picture->setAlignment(Qt::AlignCenter);
    picture->setPixmap(svgPixmap(QStringLiteral(":/pictures/radio_setup.svg"),
                                 QSize(kPictureWidth, kPictureHeight)));
    picture->setAccessibleName(
        QStringLiteral("Bench set-up: PC by USB to the test box; test box to the radio and the "
                       "RF communications test set; radio on DC 7.5 V"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(picture);
}

} // namespace korvelo
