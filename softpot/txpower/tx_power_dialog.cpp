#include "softpot/txpower/tx_power_dialog.h"

#include "softpot/gui/close_question.h"
#include "softpot/txpower/tx_power_page.h"

#include <QLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace korvelo {

CTxPower::CTxPower(AppEnv& env, QWidget* parent) : QDialog(parent), group_(env, txPowerPage()) {
    setWindowTitle(QStringLiteral("Transmit Power"));
    auto* top = new QVBoxLayout(this);
    page_ = new SoftpotPageWidget(group_, this);
    page_->layout()->setContentsMargins(0, 0, 0, 0); // the dialog's own margins frame it
    program_ = pageButton(QStringLiteral("Program"), page_);
    page_->addButton(program_);
    page_->setAfterMirror([this] { program_->setEnabled(group_.programEnabled()); });
    top->addWidget(page_);
    connect(program_, &QPushButton::clicked, this, [this] {
        group_.program();
        page_->mirror();
    });
    page_->mirror();
}

CTxPower::~CTxPower() {
    delete page_; // before the page it shows
}

void CTxPower::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!opened_) {
        opened_ = true;
        group_.open();
    }
}

void CTxPower::done(int result) {
    if (!closed_) {
        SoftpotGroup* pages[] = {&group_};
        if (!closeSoftpotPages(this, pages))
            return; // Cancel: the page stays open
        closed_ = true;
    }
    QDialog::done(result);
}

} // namespace korvelo
