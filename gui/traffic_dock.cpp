#include "gui/traffic_dock.h"

#include "gui/message_box_notifier.h"
#include "gui/traffic_model.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>
#include <set>

namespace korvelo {

TrafficDock::TrafficDock(TrafficModel& model, QWidget* parent)
    : QDockWidget(QStringLiteral("Traffic"), parent), model_(model) {
    setObjectName(QStringLiteral("trafficDock"));
    setAccessibleName(QStringLiteral("Traffic"));
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(4, 4, 4, 4);

    auto* bar = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral("F&ilter:"), body);
    filter_ = new QLineEdit(body);
    filter_->setAccessibleName(QStringLiteral("Traffic filter"));
    filter_->setPlaceholderText(QStringLiteral("text in any column, e.g. NAK or 3F16"));
    filter_->setClearButtonEnabled(true);
    label->setBuddy(filter_);
    auto* copy = new QPushButton(QStringLiteral("Cop&y"), body);
    copy->setAccessibleName(QStringLiteral("Copy the selected lines"));
    copy->setToolTip(QStringLiteral("Copy the selected lines (Ctrl+C), or all shown lines"));
    auto* save = new QPushButton(QStringLiteral("&Save as Text..."), body);
    save->setAccessibleName(QStringLiteral("Save the shown lines as text"));
    bar->addWidget(label);
    bar->addWidget(filter_, 1);
    bar->addWidget(copy);
    bar->addWidget(save);
    layout->addLayout(bar);

    proxy_ = new QSortFilterProxyModel(this);
    proxy_->setSourceModel(&model_);
    proxy_->setFilterKeyColumn(-1);
    proxy_->setFilterCaseSensitivity(Qt::CaseInsensitive);
    view_ = new QTableView(body);
    view_->setAccessibleName(QStringLiteral("Traffic lines"));
    view_->setModel(proxy_);
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->setWordWrap(false);
    view_->setAlternatingRowColors(true);
    view_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    // Fixed row heights keep a view of many thousand lines cheap.
    view_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view_->verticalHeader()->setDefaultSectionSize(view_->fontMetrics().height() + 4);
    view_->verticalHeader()->hide();
    QHeaderView* header = view_->horizontalHeader();
    header->setStretchLastSection(true);
    const int digit = view_->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    view_->setColumnWidth(TrafficModel::Time, 10 * digit);
    view_->setColumnWidth(TrafficModel::Direction, 5 * digit);
    view_->setColumnWidth(TrafficModel::Meaning, 34 * digit);
    layout->addWidget(view_, 1);
    setWidget(body);

    auto* copyKey = new QAction(QStringLiteral("Copy"), view_);
    copyKey->setShortcut(QKeySequence::Copy);
    copyKey->setShortcutContext(Qt::WidgetShortcut);
    view_->addAction(copyKey);
    connect(copyKey, &QAction::triggered, this, &TrafficDock::copySelection);
    connect(copy, &QPushButton::clicked, this, &TrafficDock::copySelection);
    connect(save, &QPushButton::clicked, this, &TrafficDock::saveAs);
    connect(filter_, &QLineEdit::textChanged, proxy_, &QSortFilterProxyModel::setFilterFixedString);

    // New lines keep the latest in view unless the user has scrolled up to read.
    connect(view_->verticalScrollBar(), &QScrollBar::valueChanged, this,
            [this](int value) { atBottom_ = value >= view_->verticalScrollBar()->maximum(); });
    connect(proxy_, &QAbstractItemModel::rowsInserted, this, &TrafficDock::followTail);
    connect(proxy_, &QAbstractItemModel::modelReset, this, &TrafficDock::followTail);

    saveName = [](QWidget* parent) {
        return QFileDialog::getSaveFileName(parent, QStringLiteral("Save Traffic"), QString(),
                                            QStringLiteral("Text files (*.txt)"));
    };
}

void TrafficDock::followTail() {
    if (atBottom_ && view_->isVisible())
        view_->scrollToBottom();
}

QString TrafficDock::linesText(bool selectedOnly) const {
    std::set<int> rows;
    if (selectedOnly)
        for (const QModelIndex& i : view_->selectionModel()->selectedIndexes())
            rows.insert(i.row());
    else
        for (int r = 0; r < proxy_->rowCount(); ++r)
            rows.insert(r);
    QString text;
    for (int r : rows) {
        const int source = proxy_->mapToSource(proxy_->index(r, 0)).row();
        QStringList cells;
        for (int c = 0; c < TrafficModel::ColumnCount; ++c)
            cells << model_.cellText(source, c);
        text += cells.join(QLatin1Char('\t')) + QLatin1Char('\n');
    }
    return text;
}

void TrafficDock::copySelection() const {
    const bool selected = view_->selectionModel()->hasSelection();
    QApplication::clipboard()->setText(linesText(selected));
}

bool TrafficDock::saveTo(const QString& path) {
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        file.write(linesText(false).toUtf8());
        if (file.commit())
            return true;
    }
    QMessageBox box(QMessageBox::Warning, QString::fromLatin1(kMessageCaption),
                    QStringLiteral("Cannot save the file.\n%1\n%2")
                        .arg(QDir::toNativeSeparators(path), file.errorString()),
                    QMessageBox::Ok, messageParent(this));
    box.exec();
    return false;
}

void TrafficDock::saveAs() {
    const QString path = saveName ? saveName(this) : QString();
    if (!path.isEmpty())
        saveTo(path);
}

} // namespace korvelo
