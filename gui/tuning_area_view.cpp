#include "gui/tuning_area_view.h"

#include "gui/tuning_file_commands.h"
#include "gui/values_chart.h"
#include "radio/tuning_file.h"

#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QTreeView>
#include <QVBoxLayout>

namespace korvelo {

namespace {

// Below the bytes, as running text that wraps, so that all 16 columns keep the width.
QString regionLegend() {
    QString html = QStringLiteral("<b>Regions the pages write:</b> ");
    for (const Region& r : kRegions) {
        const QString range = r.count == 1
                                  ? QString::asprintf("0x%02X", r.offset)
                                  : QString::asprintf("0x%02X..0x%02X", r.offset, r.end() - 1);
        const std::string_view owner = ownerName(r.owner);
        html += QStringLiteral("<span style=\"background:%1\">&nbsp;%2&nbsp;</span>&nbsp;%3 "
                               "&nbsp; ")
                    .arg(regionColour(r.owner).name(), range,
                         QString::fromUtf8(owner.data(), static_cast<qsizetype>(owner.size()))
                             .toHtmlEscaped());
    }
    return html + QStringLiteral("<br>Bold on amber: changed since read. Green text: "
                                 "programmed since Tuning Init. Red: differs from the compared "
                                 "file.");
}

} // namespace

TuningAreaView::TuningAreaView(const Session& session, QWidget* parent)
    : QWidget(parent), session_(session), values_(session), hex_(session) {
    setAccessibleName(QStringLiteral("Tuning area"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* bar = new QHBoxLayout;
    summary_ = new QLabel(this);
    summary_->setAccessibleName(QStringLiteral("Tuning area summary"));
    summary_->setWordWrap(true);
    summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    compare_ = new QPushButton(QStringLiteral("&Compare with a file..."), this);
    compare_->setAccessibleName(QStringLiteral("Compare with a file"));
    compare_->setToolTip(QStringLiteral("Show a tuning file's values beside the image's"));
    stop_ = new QPushButton(QStringLiteral("Stop co&mparing"), this);
    stop_->setAccessibleName(QStringLiteral("Stop comparing"));
    bar->addWidget(summary_, 1);
    bar->addWidget(compare_);
    bar->addWidget(stop_);
    layout->addLayout(bar);

    tabs_ = new QTabWidget(this);
    tabs_->setAccessibleName(QStringLiteral("Tuning area views"));
    tree_ = new QTreeView(tabs_);
    tree_->setAccessibleName(QStringLiteral("Values by page"));
    tree_->setModel(&values_);
    tree_->setUniformRowHeights(true);
    tree_->setAlternatingRowColors(true);
    tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree_->setSelectionBehavior(QAbstractItemView::SelectRows);
    tree_->header()->setStretchLastSection(false);
    tree_->header()->setSectionResizeMode(TuningAreaModel::Setting, QHeaderView::Stretch);
    for (int c = TuningAreaModel::Read; c < TuningAreaModel::ColumnCount; ++c)
        tree_->setColumnWidth(c, tree_->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 16);
    tree_->expandAll();
    // Beside the values, the curves of the page of the value chosen.
    chart_ = new ValuesChart(tabs_);
    auto* valuesSplit = new QSplitter(Qt::Vertical, tabs_);
    valuesSplit->setAccessibleName(QStringLiteral("Values and their curves"));
    valuesSplit->addWidget(tree_);
    valuesSplit->addWidget(chart_);
    valuesSplit->setStretchFactor(0, 1);
    valuesSplit->setStretchFactor(1, 1);
    tabs_->addTab(valuesSplit, QStringLiteral("Va&lues"));
    connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { drawCurves(); });

    hexView_ = new QTableView;
    hexView_->setAccessibleName(QStringLiteral("Tuning area bytes in hex"));
    hexView_->setModel(&hex_);
    hexView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    hexView_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    hexView_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    hexView_->horizontalHeader()->setMinimumSectionSize(
        hexView_->fontMetrics().horizontalAdvance(QStringLiteral("000")) + 8);
    hexView_->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    // The regions' colours, named; hovering a byte names its value and region.
    auto* hexPage = new QWidget(tabs_);
    auto* hexLayout = new QVBoxLayout(hexPage);
    hexLayout->addWidget(hexView_, 1);
    auto* legend = new QLabel(regionLegend(), hexPage);
    legend->setAccessibleName(QStringLiteral("Region colours"));
    legend->setWordWrap(true);
    legend->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    hexLayout->addWidget(legend);
    tabs_->addTab(hexPage, QStringLiteral("He&x"));
    layout->addWidget(tabs_, 1);

    connect(compare_, &QPushButton::clicked, this, &TuningAreaView::compareRequested);
    connect(stop_, &QPushButton::clicked, this, &TuningAreaView::stopComparing);
    // A new set of pages (the other audio processor) opens expanded too.
    connect(&values_, &QAbstractItemModel::modelReset, tree_, &QTreeView::expandAll);
    refresh();
}

void TuningAreaView::refresh() {
    values_.refresh();
    hex_.refresh();
    tree_->setColumnHidden(TuningAreaModel::File, !values_.comparison());
    stop_->setEnabled(values_.comparison().has_value());
    summary_->setText(summaryText());
    drawCurves();
}

QString TuningAreaView::chartPage() const {
    const QStringList pages = curvePages(session_);
    QModelIndex at = tree_->currentIndex();
    if (at.isValid() && at.parent().isValid())
        at = at.parent();
    const QString chosen = at.isValid() ? at.sibling(at.row(), 0).data().toString() : QString();
    if (pages.contains(chosen))
        return chosen;
    return pages.isEmpty() ? QString() : pages.front();
}

void TuningAreaView::drawCurves() {
    chart_->showPage(pageCurves(session_, chartPage()));
}

bool TuningAreaView::compareWith(const QString& path, Notifier& notifier) {
    Session file; // read as Open reads it, without touching the session
    if (!OpenTuningFile(file, fileSystemPath(path), notifier))
        return false;
    Comparison c{file.image, QFileInfo(path).fileName()};
    // The other audio processor's file holds other things in the same bytes: a count of values
    // that differ would mean nothing, so say so instead of "0 values differ".
    otherChip_ = session_.record.source != ImageSource::None &&
                 file.flags.isAk2347Radio != session_.flags.isAk2347Radio;
    if (otherChip_)
        notifier.notify("Compare with a file\n\n" + c.name.toStdString() + " is a tuning file of " +
                            (file.flags.isAk2347Radio ? "an AK2347" : "a CMX148") +
                            " radio; this image is of " +
                            (session_.flags.isAk2347Radio ? "an AK2347" : "a CMX148") +
                            " radio. The same bytes hold other values, so the two cannot be "
                            "compared value by value.",
                        Icon::Exclamation);
    values_.setComparison(c);
    hex_.setComparison(c);
    refresh();
    return true;
}

void TuningAreaView::stopComparing() {
    otherChip_ = false;
    values_.setComparison(std::nullopt);
    hex_.setComparison(std::nullopt);
    refresh();
}

QString TuningAreaView::summaryText() const {
    const ImageRecord& r = session_.record;
    if (r.source == ImageSource::None)
        return QStringLiteral("No tuning image yet: File > Tuning Init reads the radio, File > "
                              "Open loads a tuning file.");
    QString text = r.source == ImageSource::Radio
                       ? QStringLiteral("Read from the radio")
                       : QStringLiteral("Loaded from %1").arg(QString::fromStdString(r.fileName));
    text += QStringLiteral(": %1 changed since, %2 programmed since Tuning Init.")
                .arg(values_.count(ChangedSinceRead))
                .arg(values_.count(ProgrammedMark));
    if (r.source == ImageSource::File && session_.flags.inTunerMode)
        text += QStringLiteral(" The radio in tuner mode still holds its own values: the image "
                               "differs from the radio until the pages program it.");
    if (const auto& c = values_.comparison()) {
        int bytes = 0;
        for (std::size_t i = 0; i < TuningImage::kSize; ++i)
            bytes += session_.image[i] != c->image[i] ? 1 : 0;
        const int values = values_.count(DiffersFromFile);
        text += otherChip_
                    ? QStringLiteral(" Compared with %1, a file of the other audio processor: "
                                     "not comparable value by value (%2 bytes differ).")
                          .arg(c->name)
                          .arg(bytes)
                    : QStringLiteral(" Compared with %1: %2 %3 (%4 bytes).")
                          .arg(c->name)
                          .arg(values)
                          .arg(values == 1 ? QStringLiteral("value differs")
                                           : QStringLiteral("values differ"))
                          .arg(bytes);
    }
    return text;
}

} // namespace korvelo
