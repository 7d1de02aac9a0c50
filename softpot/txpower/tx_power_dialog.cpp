#include "softpot/txpower/tx_power_dialog.h"

#include "softpot/gui/close_question.h"
#include "softpot/gui/softpot_row_widget.h"
#include "softpot/gui/up_down_control.h"
#include "softpot/txpower/tx_power_page.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace korvelo {

namespace {
QGroupBox* powerGroup(const QString& title, QGridLayout*& grid, QWidget* parent) {
    auto* box = new QGroupBox(title, parent);
    grid = new QGridLayout(box);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(6);
    const QString headings[] = {QStringLiteral("Frequency Point(MHz)"),
                                QStringLiteral("Default Softpot")};
    for (int c = 0; c < 2; ++c) {
        auto* l = new QLabel(headings[c], box);
        l->setAlignment(Qt::AlignCenter);
        grid->addWidget(l, 0, c);
    }
    // The scroll bar and the up-down both set the working value, so the heading spans them.
    auto* working = new QLabel(QStringLiteral("Working Softpot"), box);
    working->setAlignment(Qt::AlignCenter);
    grid->addWidget(working, 0, 2, 1, 3);
    grid->setColumnStretch(2, 1);
    return box;
}

QPushButton* pageButton(const QString& text, QWidget* parent) {
    auto* b = new QPushButton(text, parent);
    // Enter in a Working Softpot edit belongs to the edit, never to a default button.
    b->setAutoDefault(false);
    b->setDefault(false);
    b->setEnabled(false);
    return b;
}
} // namespace

CTxPower::CTxPower(AppEnv& env, QWidget* parent) : QDialog(parent), group_(env, txPowerPage()) {
    setWindowTitle(QStringLiteral("Transmit Power"));
    auto* top = new QVBoxLayout(this);
    QGridLayout* highGrid = nullptr;
    QGridLayout* lowGrid = nullptr;
    top->addWidget(powerGroup(QStringLiteral("High Power"), highGrid, this));
    top->addWidget(powerGroup(QStringLiteral("Low Power"), lowGrid, this));

    int highRows = 0;
    int lowRows = 0;
    for (int r = 0; r < group_.rowCount(); ++r) {
        const bool high = group_.row(r).desc->tag == 1;
        QGridLayout* grid = high ? highGrid : lowGrid;
        const int gridRow = 1 + (high ? highRows++ : lowRows++);
        rows_.push_back(new SoftpotRowWidget(group_, r, grid->parentWidget(), grid, gridRow));
    }

    auto* buttons = new QHBoxLayout;
    ptt_ = pageButton(QString::fromUtf8(group_.pttCaption().c_str()), this);
    program_ = pageButton(QStringLiteral("Program"), this);
    ptt_->setAccessibleName(QStringLiteral("PTT Toggle"));
    program_->setAccessibleName(QStringLiteral("Program"));
    // Wide enough for every caption the button takes.
    ptt_->setMinimumWidth(ptt_->fontMetrics().horizontalAdvance(QStringLiteral("PTT Toggle")) + 40);
    buttons->addStretch(1);
    buttons->addWidget(ptt_);
    buttons->addSpacing(24);
    buttons->addWidget(program_);
    buttons->addStretch(1);
    top->addLayout(buttons);
    status_ = new QLabel(this);
    status_->setWordWrap(true);
    status_->setAccessibleName(QStringLiteral("Page status"));
    // Room for two lines from the start, so a longer message does not shift the rows.
    status_->setMinimumHeight(2 * status_->fontMetrics().lineSpacing());
    status_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    top->addWidget(status_);

    connect(ptt_, &QPushButton::clicked, this, [this] {
        group_.pttToggle();
        controlsChanged();
    });
    connect(program_, &QPushButton::clicked, this, [this] {
        group_.program();
        controlsChanged();
    });

    // Tab order: each row's scroll bar then its Working Softpot edit, High before Low.
    QWidget* previous = nullptr;
    for (SoftpotRowWidget* row : rows_) {
        for (QWidget* w :
             {static_cast<QWidget*>(row->scrollBar()), static_cast<QWidget*>(row->workingEdit())}) {
            if (previous)
                setTabOrder(previous, w);
            previous = w;
        }
    }
    setTabOrder(previous, ptt_);
    setTabOrder(ptt_, program_);

    group_.setView(this);
    controlsChanged();
}

CTxPower::~CTxPower() {
    group_.setView(nullptr);
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

void CTxPower::controlsChanged() {
    for (SoftpotRowWidget* row : rows_)
        row->mirror();
    mirrorButtons();
}

void CTxPower::mirrorButtons() {
    const QString caption = QString::fromUtf8(group_.pttCaption().c_str());
    if (ptt_->text() != caption)
        ptt_->setText(caption);
    ptt_->setEnabled(group_.pttEnabled());
    program_->setEnabled(group_.programEnabled());
    status_->setText(QString::fromStdString(group_.statusText()));
}

void CTxPower::focusScrollBar(int row) {
    rows_.at(static_cast<std::size_t>(row))->focusScrollBar();
}

} // namespace korvelo
