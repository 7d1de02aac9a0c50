#include "gui/radio_panel.h"

#include "radio/band_model.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace korvelo {

namespace {

const QString kUnknown = QStringLiteral("—");

QString chipName(bool isAk2347Radio) {
    return isAk2347Radio ? QStringLiteral("AK2347") : QStringLiteral("CMX148");
}

QString groupName(BandGroup g) {
    switch (g) {
    case BandGroup::V1:
        return QStringLiteral("V1");
    case BandGroup::V2:
        return QStringLiteral("V2");
    case BandGroup::U1:
        return QStringLiteral("U1");
    case BandGroup::U2:
        return QStringLiteral("U2");
    case BandGroup::U3:
        return QStringLiteral("U3");
    case BandGroup::U4:
        return QStringLiteral("U4");
    case BandGroup::None:
        break;
    }
    return {};
}

QString text(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QString orUnknown(const std::optional<std::string>& s) {
    return s ? QString::fromStdString(*s) : kUnknown;
}

// The pages label the points by band group; type 1 counts as V2 where a page allows it.
BandGroup groupOf(const Session& s) {
    return bandGroup(s.radioType, Type1::AsV2);
}

} // namespace

QString benchTitle(const Session& s) {
    const ImageRecord& r = s.record;
    if (r.source == ImageSource::None)
        return QStringLiteral("Korvelo");
    QString radio;
    if (r.radioRead) {
        QString range = text(bandRange(groupOf(s)));
        range.replace(QStringLiteral(" to "), QStringLiteral("–"));
        radio = range.isEmpty() ? QStringLiteral("band type %1").arg(s.radioType) : range;
        radio += QLatin1Char(' ');
    }
    radio += chipName(s.flags.isAk2347Radio);
    if (s.identity.serialNumber)
        radio += QStringLiteral(", serial ") + QString::fromStdString(*s.identity.serialNumber);
    const QString source = r.source == ImageSource::Radio ? QStringLiteral("radio")
                                                          : QString::fromStdString(r.fileName);
    return QStringLiteral("Korvelo — %1 — %2").arg(radio, source);
}

RadioPanel::RadioPanel(const AppEnv& env, QWidget* parent)
    : QGroupBox(QStringLiteral("Radio"), parent), env_(env) {
    setAccessibleName(QStringLiteral("Radio panel"));
    auto* grid = new QGridLayout(this);
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(4);
    // Three columns of name and value, filled down each column.
    const QString names[] = {
        QStringLiteral("Port"),
        QStringLiteral("Link"),
        QStringLiteral("Tuner mode"),
        QStringLiteral("Image"),
        QStringLiteral("Band"),
        QStringLiteral("Memory"),
        QStringLiteral("Audio processor"),
        QStringLiteral("Firmware"),
        QStringLiteral("Serial number"),
        QStringLiteral("Country"),
    };
    constexpr int kRows = 4;
    int i = 0;
    for (const QString& name : names) {
        const int row = i % kRows, column = 2 * (i / kRows);
        auto* label = new QLabel(name + QLatin1Char(':'), this);
        auto* value = new QLabel(kUnknown, this);
        value->setAccessibleName(name);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        label->setBuddy(value);
        grid->addWidget(label, row, column);
        grid->addWidget(value, row, column + 1);
        fields_[name] = value;
        ++i;
    }
    grid->setColumnStretch(1, 3);
    grid->setColumnStretch(3, 2);
    grid->setColumnStretch(5, 2);
    identify_ = new QPushButton(QStringLiteral("I&dentify"), this);
    identify_->setAccessibleName(QStringLiteral("Identify"));
    identify_->setToolTip(
        QStringLiteral("Read the radio's firmware version, serial number and country code"));
    grid->addWidget(identify_, kRows - 1, 5, Qt::AlignRight);
    connect(identify_, &QPushButton::clicked, this, &RadioPanel::identifyRequested);
    refresh();
}

QString RadioPanel::field(const QString& name) const {
    const auto it = fields_.find(name);
    return it == fields_.end() ? QString() : it->second->text();
}

void RadioPanel::setField(const QString& name, const QString& value) {
    QLabel* label = fields_.at(name);
    if (label->text() != value)
        label->setText(value);
}

void RadioPanel::refresh() {
    const Session& s = env_.session;
    const ImageRecord& r = s.record;
    const QString how = QString::fromStdString(env_.ports.howChosen());
    const QString device = QString::fromStdString(env_.ports.portInUse());
    QString port = device.isEmpty() ? QStringLiteral("none opened yet") : device;
    if (!how.isEmpty())
        port += QStringLiteral(" (%1)").arg(how);
    setField(QStringLiteral("Port"), port);
    setField(QStringLiteral("Link"),
             s.flags.portFault
                 ? QStringLiteral("fault: ") + (s.portFaultReason.empty()
                                                    ? QStringLiteral("the port cannot be used")
                                                    : QString::fromStdString(s.portFaultReason))
                 : QStringLiteral("closed between operations"));
    setField(QStringLiteral("Tuner mode"),
             s.flags.inTunerMode ? QStringLiteral("on") : QStringLiteral("off"));
    switch (r.source) {
    case ImageSource::None:
        setField(QStringLiteral("Image"), QStringLiteral("none yet"));
        break;
    case ImageSource::Radio:
        setField(QStringLiteral("Image"), QStringLiteral("read from the radio"));
        break;
    case ImageSource::File:
        setField(QStringLiteral("Image"),
                 QStringLiteral("loaded from ") + QString::fromStdString(r.fileName));
        break;
    }
    if (r.radioRead) {
        const BandGroup g = groupOf(s);
        const QString range = text(bandRange(g));
        setField(QStringLiteral("Band"),
                 range.isEmpty() ? QStringLiteral("type %1, no band known").arg(s.radioType)
                                 : QStringLiteral("type %1, %2 labels, %3")
                                       .arg(s.radioType)
                                       .arg(groupName(g), range));
        setField(QStringLiteral("Memory"),
                 s.flags.is256BlockMemory ? QStringLiteral("256 blocks, tuning area at 0x3F00")
                                          : QStringLiteral("128 blocks, tuning area at 0x1F00"));
    } else {
        setField(QStringLiteral("Band"), kUnknown);
        setField(QStringLiteral("Memory"), kUnknown);
    }
    setField(QStringLiteral("Audio processor"),
             r.source == ImageSource::None ? kUnknown : chipName(s.flags.isAk2347Radio));
    setField(QStringLiteral("Firmware"), orUnknown(s.identity.fwVersion));
    setField(QStringLiteral("Serial number"), orUnknown(s.identity.serialNumber));
    setField(QStringLiteral("Country"), orUnknown(s.identity.country));
}

} // namespace korvelo
