#include "gui/tuning_area_view.h"

#include "gui/tuning_file_commands.h"
#include "radio/tuning_file.h"

#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTreeView>
#include <QVBoxLayout>

namespace korvelo {

namespace {

QString regionLegend() {
    QString html = QStringLiteral("<b>Regions the pages write</b><table cellspacing=2>");
    for (const Region& r : kRegions) {
        const QString range = r.count == 1
                                  ? QString::asprintf("0x%02X", r.offset)
                                  : QString::asprintf("0x%02X..0x%02X", r.offset, r.end() - 1);
        const std::string_view owner = ownerName(r.owner);
        html += QStringLiteral("<tr><td style=\"background:%1\">&nbsp;&nbsp;&nbsp;&nbsp;</td>"
                               "<td>%2</td><td>%3</td></tr>")
                    .arg(regionColour(r.owner).name(), range,
                         QString::fromUtf8(owner.data(), static_cast<qsizetype>(owner.size())));
    }
    return html + QStringLiteral("</table><p>Bold on amber: changed since read. Green text: "
                                 "programmed since Tuning Init. Red: differs from the compared "
                                 "file.</p>");
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
    tabs_->addTab(tree_, QStringLiteral("Va&lues"));

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
    auto* hexLayout = new QHBoxLayout(hexPage);
    hexLayout->addWidget(hexView_, 3);
    auto* legend = new QLabel(regionLegend(), hexPage);
    legend->setAccessibleName(QStringLiteral("Region colours"));
    legend->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    hexLayout->addWidget(legend, 2);
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
}

bool TuningAreaView::compareWith(const QString& path, Notifier& notifier) {
    Session file; // read as Open reads it, without touching the session
    if (!OpenTuningFile(file, fileSystemPath(path), notifier))
        return false;
    Comparison c{file.image, QFileInfo(path).fileName()};
    values_.setComparison(c);
    hex_.setComparison(c);
    refresh();
    return true;
}

void TuningAreaView::stopComparing() {
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
    if (const auto& c = values_.comparison()) {
        int bytes = 0;
        for (std::size_t i = 0; i < TuningImage::kSize; ++i)
            bytes += session_.image[i] != c->image[i] ? 1 : 0;
        text += QStringLiteral(" Compared with %1: %2 values differ (%3 bytes).")
                    .arg(c->name)
                    .arg(values_.count(DiffersFromFile))
                    .arg(bytes);
    }
    return text;
}

} // namespace korvelo
