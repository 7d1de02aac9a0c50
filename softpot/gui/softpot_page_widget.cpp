#include "softpot/gui/softpot_page_widget.h"

#include "gui/transmit_banner.h"
#include "softpot/gui/softpot_row_widget.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace korvelo {

namespace {
QString qs(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<int>(s.size()));
}

QGridLayout* rowGrid(QWidget* box, std::string_view frequencyHeading) {
    auto* grid = new QGridLayout(box);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(6);
    const QString headings[] = {qs(frequencyHeading), QStringLiteral("Default Softpot")};
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
    return grid;
}

// The PTT button's mnemonic on every caption it takes ("P&TT Toggle", "Send P&TT OFF", "ZEL
// P&TT ON"): Alt+T, since Alt+P is "Program"'s.
QString withMnemonic(QString caption) {
    const qsizetype at = caption.indexOf(QLatin1String("PTT"));
    if (at >= 0)
        caption.insert(at + 1, QLatin1Char('&'));
    return caption;
}
} // namespace

QPushButton* pageButton(const QString& text, QWidget* parent) {
    auto* b = new QPushButton(text, parent);
    b->setAutoDefault(false);
    b->setDefault(false);
    b->setEnabled(false);
    b->setAccessibleName(QString(text).remove(QLatin1Char('&'))); // the mnemonic is no name
    return b;
}

SoftpotPageWidget::SoftpotPageWidget(SoftpotGroup& group, QWidget* parent)
    : QWidget(parent), group_(group), readings_(std::make_unique<RowReadings>(group)) {
    const PageSpec& page = group.page();
    auto* top = new QVBoxLayout(this);
    if (page.keying.hasButton) {
        banner_ = new TransmitBanner(this);
        top->addWidget(banner_);
    }

    // One group box per row group when the page has several; else the rows stand on the page.
    std::vector<std::string_view> groups;
    for (const RowSpec& r : page.rows)
        if (std::find(groups.begin(), groups.end(), r.group) == groups.end())
            groups.push_back(r.group);
    std::vector<QGridLayout*> grids;
    for (std::string_view g : groups) {
        QWidget* box = groups.size() > 1 ? new QGroupBox(qs(g), this) : new QWidget(this);
        grids.push_back(rowGrid(box, page.frequencyHeading));
        top->addWidget(box);
    }
    std::vector<int> used(groups.size(), 0);
    for (int r = 0; r < group_.rowCount(); ++r) {
        const auto g = static_cast<std::size_t>(
            std::find(groups.begin(), groups.end(), group_.row(r).desc->group) - groups.begin());
        QGridLayout* grid = grids[g];
        rows_.push_back(new SoftpotRowWidget(group_, r, grid->parentWidget(), grid, 1 + used[g]++,
                                             readings_.get()));
    }
    // The reading columns' heading, over the groups that have them.
    for (std::size_t g = 0; g < grids.size(); ++g) {
        bool any = false;
        for (int r = 0; r < group_.rowCount(); ++r)
            any = any || (group_.row(r).desc->group == groups[g] && readings_->limit(r));
        if (!any)
            continue;
        auto* heading = new QLabel(QStringLiteral("Meter Reading"), grids[g]->parentWidget());
        heading->setAlignment(Qt::AlignCenter);
        grids[g]->addWidget(heading, 0, 5, 1, 3);
    }
    // A group's tone or code list, below its rows.
    for (std::size_t c = 0; c < page.codeChoices.size(); ++c) {
        const CodeChoice& choice = page.codeChoices[c];
        const auto g = static_cast<std::size_t>(
            std::find(groups.begin(), groups.end(), choice.group) - groups.begin());
        if (g >= grids.size())
            continue;
        auto* combo = new QComboBox(grids[g]->parentWidget());
        for (std::string_view e : choice.entries)
            combo->addItem(qs(e));
        combo->setAccessibleName(qs(choice.group) + QStringLiteral(", tone or code"));
        combo->setEnabled(false);
        grids[g]->addWidget(combo, 1 + used[g], 0);
        connect(combo, &QComboBox::currentIndexChanged, this,
                [this, c](int index) { group_.selectCode(static_cast<int>(c), index); });
        combos_.push_back(combo);
    }

    buttons_ = new QHBoxLayout;
    buttons_->addStretch(1);
    if (page.keying.hasButton) {
        ptt_ = pageButton(withMnemonic(qs(page.keying.idleCaption)), this);
        // Wide enough for every caption the button takes.
        ptt_->setMinimumWidth(ptt_->fontMetrics().horizontalAdvance(qs(page.keying.idleCaption)) +
                              40);
        buttons_->addWidget(ptt_);
        connect(ptt_, &QPushButton::clicked, this, [this] {
            group_.pttToggle();
            controlsChanged();
        });
        // One key on every keying page, wherever the focus is; only the page shown takes it.
        connect(new QShortcut(QKeySequence(kPttShortcut), this), &QShortcut::activated, ptt_,
                &QPushButton::click);
        ptt_->setToolTip(QStringLiteral("Key or unkey the transmitter (%1)")
                             .arg(QKeySequence(kPttShortcut).toString(QKeySequence::NativeText)));
    }
    buttons_->addStretch(1);
    top->addLayout(buttons_);

    status_ = new QLabel(this);
    status_->setWordWrap(true);
    status_->setAccessibleName(QStringLiteral("Page status"));
    // Room for two lines from the start, so a longer message does not shift the rows.
    status_->setMinimumHeight(2 * status_->fontMetrics().lineSpacing());
    status_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    top->addWidget(status_);

    // Tab order: each row's scroll bar, its Working Softpot edit and its meter reading, in row
    // order, then the buttons.
    for (SoftpotRowWidget* row : rows_) {
        for (QWidget* w :
             {static_cast<QWidget*>(row->scrollBar()), static_cast<QWidget*>(row->workingEdit()),
              static_cast<QWidget*>(row->readingEdit())}) {
            if (!w)
                continue;
            if (lastInTabOrder_)
                setTabOrder(lastInTabOrder_, w);
            lastInTabOrder_ = w;
        }
    }
    if (ptt_) {
        setTabOrder(lastInTabOrder_, ptt_);
        lastInTabOrder_ = ptt_;
    }

    group_.setView(this);
    controlsChanged();

    // The engine keeps the time; the timer only gives the watchdog its turns, also while the
    // page's tab is not the one shown.
    if (ptt_) {
        watchdog_ = new QTimer(this);
        watchdog_->setInterval(250);
        connect(watchdog_, &QTimer::timeout, this, [this] {
            group_.tick();
            showTransmitState(); // the watchdog's count
        });
        watchdog_->start();
    }
}

SoftpotPageWidget::~SoftpotPageWidget() {
    group_.setView(nullptr);
}

void SoftpotPageWidget::addButton(QPushButton* button) {
    if (ptt_)
        buttons_->insertSpacing(buttons_->count() - 1, 24);
    buttons_->insertWidget(buttons_->count() - 1, button);
    if (lastInTabOrder_)
        setTabOrder(lastInTabOrder_, button);
    lastInTabOrder_ = button;
}

void SoftpotPageWidget::controlsChanged() {
    for (SoftpotRowWidget* row : rows_)
        row->mirror();
    for (QComboBox* combo : combos_)
        combo->setEnabled(group_.pttEnabled());
    if (ptt_) {
        // While the transmitter's state is unknown the button offers PTT off, and says why.
        const QString caption = QString::fromStdString(group_.pttButtonText());
        const bool keyed = group_.keyed();
        const QString name =
            group_.offOwed() ? caption
                             : caption + (keyed ? QStringLiteral(", transmitting: press to unkey")
                                                : QStringLiteral(", not transmitting"));
        if (ptt_->text() != withMnemonic(caption))
            ptt_->setText(withMnemonic(caption));
        if (ptt_->accessibleName() != name)
            ptt_->setAccessibleName(name);
        // The shortcut is named whatever the button says.
        const QString shortcut = QKeySequence(kPttShortcut).toString(QKeySequence::NativeText);
        const QString note = QString::fromStdString(group_.pttButtonNote());
        const QString tip =
            !note.isEmpty() ? QStringLiteral("%1 (%2)").arg(note, shortcut)
            : keyed ? QStringLiteral("Transmitting: unkey the transmitter (%1)").arg(shortcut)
                    : QStringLiteral("Not transmitting: key the transmitter (%1)").arg(shortcut);
        if (ptt_->toolTip() != tip) {
            ptt_->setToolTip(tip);
            ptt_->setAccessibleDescription(note);
        }
        ptt_->setEnabled(group_.pttEnabled());
    }
    status_->setText(QString::fromStdString(group_.statusText()));
    showTransmitState();
    if (afterMirror_)
        afterMirror_();
}

void SoftpotPageWidget::showTransmitState() {
    if (!banner_)
        return;
    if (!group_.keyed()) {
        if (group_.offOwed() || group_.mayTransmit())
            banner_->showUncertain();
        else
            banner_->showUnkeyed();
        return;
    }
    // What is on the air: the set-up row's frequency, and its group (such as "High Power").
    QString what;
    if (const std::optional<int> r = group_.setUpRow(); r && *r >= 0 && *r < group_.rowCount()) {
        const SoftpotRow& row = group_.row(*r);
        if (!row.frequencyText.empty())
            what = qs(row.frequencyText) + QStringLiteral(" MHz");
        if (row.desc && !row.desc->group.empty())
            what += (what.isEmpty() ? QString() : QStringLiteral(", ")) + qs(row.desc->group);
    }
    banner_->showKeyed(what, group_.secondsToUnkey());
}

void SoftpotPageWidget::focusScrollBar(int row) {
    rows_.at(static_cast<std::size_t>(row))->focusScrollBar();
}

} // namespace korvelo
