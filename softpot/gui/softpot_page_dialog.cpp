#include "softpot/gui/softpot_page_dialog.h"

#include "softpot/gui/close_question.h"
#include "softpot/gui/page_opening.h"

#include <QLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace korvelo {

SoftpotPageDialog::SoftpotPageDialog(AppEnv& env, const PageSpec& page, QWidget* parent)
    : QDialog(parent), group_(env, page) {
    setWindowTitle(QString::fromUtf8(page.title.data(), static_cast<qsizetype>(page.title.size())));
    auto* top = new QVBoxLayout(this);
    page_ = new SoftpotPageWidget(group_, this);
    page_->layout()->setContentsMargins(0, 0, 0, 0); // the dialog's own margins frame it
    program_ = pageButton(QStringLiteral("&Program"), page_);
    page_->addButton(program_);
    page_->setAfterMirror([this] { program_->setEnabled(group_.programEnabled()); });
    top->addWidget(page_);
    connect(program_, &QPushButton::clicked, this, [this] {
        group_.program();
        page_->mirror();
    });
    page_->mirror();
}

SoftpotPageDialog::~SoftpotPageDialog() {
    delete page_; // before the page it shows
}

void SoftpotPageDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!opened_) {
        opened_ = true;
        openKeepingLaidOutSize(*this, [this] { group_.open(); });
    }
}

void SoftpotPageDialog::done(int result) {
    if (!closed_) {
        SoftpotGroup* pages[] = {&group_};
        if (!closeSoftpotPages(this, pages))
            return; // Cancel: the page stays open
        closed_ = true;
    }
    QDialog::done(result);
}

} // namespace korvelo
