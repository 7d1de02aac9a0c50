#include "softpot/gui/softpot_tab_dialog.h"

#include "softpot/gui/close_question.h"
#include "softpot/gui/page_opening.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace korvelo {

namespace {
QString qs(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<int>(s.size()));
}
} // namespace

SoftpotTabDialog::SoftpotTabDialog(AppEnv& env, const TabHostSpec& tables, QWidget* parent)
    : QDialog(parent), host_(env, tables) {
    setWindowTitle(qs(tables.title));
    auto* top = new QVBoxLayout(this);
    tabs_ = new QTabWidget(this);
    tabs_->setAccessibleName(QStringLiteral("Channel spacing"));
    top->addWidget(tabs_);
    auto* buttons = new QHBoxLayout;
    program_ = pageButton(QStringLiteral("&Program"), this);
    buttons->addStretch(1);
    buttons->addWidget(program_);
    buttons->addStretch(1);
    top->addLayout(buttons);
    connect(program_, &QPushButton::clicked, this, [this] {
        host_.program();
        mirror();
    });
}

SoftpotTabDialog::~SoftpotTabDialog() {
    // The page widgets go before the pages they show, without the tab bar reporting each
    // removal to a dialog half gone.
    disconnect(tabs_, nullptr, this, nullptr);
    for (SoftpotPageWidget*& p : pages_) {
        delete p;
        p = nullptr;
    }
}

void SoftpotTabDialog::setPages(std::array<SoftpotPageWidget*, TabHostSpec::kTabs> pages) {
    pages_ = pages;
    for (int i = 0; i < TabHostSpec::kTabs; ++i)
        tabs_->addTab(pages_[static_cast<std::size_t>(i)],
                      qs(host_.tables().tabs[static_cast<std::size_t>(i)]));
    // Tab order: the shown page's rows and PTT, Program, then the tab bar.
    for (int i = 1; i < TabHostSpec::kTabs; ++i)
        setTabOrder(pages_[static_cast<std::size_t>(i - 1)]->lastInTabOrder(),
                    pages_[static_cast<std::size_t>(i)]);
    setTabOrder(pages_[TabHostSpec::kTabs - 1]->lastInTabOrder(), program_);
    setTabOrder(program_, tabs_->tabBar());
    connect(tabs_, &QTabWidget::currentChanged, this, &SoftpotTabDialog::tabChanged);
    mirror();
}

void SoftpotTabDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!opened_) {
        opened_ = true;
        openKeepingLaidOutSize(*this, [this] { host_.open(); });
        mirror();
    }
}

void SoftpotTabDialog::tabChanged(int tab) {
    if (!host_.selectTab(tab)) {
        // Refused: the tab bar goes back to the page the host shows.
        const QSignalBlocker block(tabs_);
        tabs_->setCurrentIndex(host_.current());
    }
    mirror();
}

void SoftpotTabDialog::mirror() {
    for (int i = 0; i < TabHostSpec::kTabs; ++i) {
        if (SoftpotPageWidget* p = pages_[static_cast<std::size_t>(i)])
            p->mirror();
        if (i >= tabs_->count())
            continue;
        const bool usable = host_.tabsAllowed() || i == host_.current();
        tabs_->setTabEnabled(i, usable);
        tabs_->setTabToolTip(i, usable ? QString()
                                       : QStringLiteral("Read the radio (File > Tuning Init) or "
                                                        "open a tuning file first."));
    }
    program_->setEnabled(host_.programEnabled());
}

void SoftpotTabDialog::done(int result) {
    if (!closed_) {
        const bool closing = host_.close(
            [this](const std::string& question) { return askCloseQuestion(this, question); });
        if (!closing)
            return; // Cancel: the dialog stays open
        closed_ = true;
    }
    QDialog::done(result);
}

} // namespace korvelo
