#include "softpot/gui/softpot_row_widget.h"

#include "gui/gui_clock.h"
#include "softpot/gui/up_down_control.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QValidator>

namespace korvelo {

namespace {
// The keys of a row's scroll bar and the scroll codes they stand for. Each key moves the value
// the way it points, whatever the style's idea of a scroll bar (a plain QScrollBar turns Left
// and Right round on a horizontal bar).
struct KeyStep {
    int key;
    QAbstractSlider::SliderAction action;
};
constexpr KeyStep kKeyTable[] = {
    {Qt::Key_Right, QAbstractSlider::SliderSingleStepAdd},  // line right: +1
    {Qt::Key_Left, QAbstractSlider::SliderSingleStepSub},   // line left: -1
    {Qt::Key_Up, QAbstractSlider::SliderSingleStepSub},     // line left (up): -1
    {Qt::Key_Down, QAbstractSlider::SliderSingleStepAdd},   // line right (down): +1
    {Qt::Key_PageUp, QAbstractSlider::SliderPageStepSub},   // page left: -5
    {Qt::Key_PageDown, QAbstractSlider::SliderPageStepAdd}, // page right: +5
    {Qt::Key_Home, QAbstractSlider::SliderToMinimum},       // top: 0
    {Qt::Key_End, QAbstractSlider::SliderToMaximum},        // bottom: max
};

// Every line or page step commits, so a held mouse button must not keep repeating it.
class StepScrollBar : public QScrollBar {
  public:
    using QScrollBar::QScrollBar;
    void stopRepeat() { setRepeatAction(SliderNoAction); }

  protected:
    void keyPressEvent(QKeyEvent* event) override {
        if ((event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            for (const KeyStep& k : kKeyTable) {
                if (k.key == event->key()) {
                    triggerAction(k.action);
                    event->accept();
                    return;
                }
            }
        }
        QScrollBar::keyPressEvent(event);
    }

    // Styles draw no focus on a scroll bar; the keyboard user must see which row the keys move.
    void paintEvent(QPaintEvent* event) override {
        QScrollBar::paintEvent(event);
        if (!hasFocus())
            return;
        QPainter p(this);
        p.setPen(QPen(palette().color(QPalette::Highlight), SoftpotRowWidget::kFocusFrameWidth));
        p.setBrush(Qt::NoBrush);
        const qreal half = SoftpotRowWidget::kFocusFrameWidth / 2.0;
        p.drawRect(QRectF(rect()).adjusted(half, half, -half, -half));
    }
};

// Lets into a Working Softpot edit only what the page's scale can show.
class ScaleValidator : public QValidator {
  public:
    ScaleValidator(const ValueScale& scale, QObject* parent) : QValidator(parent), scale_(scale) {}
    State validate(QString& input, int&) const override {
        const std::string text = input.toStdString();
        if (!scale_.canType(text))
            return Invalid;
        return scale_.read(text) ? Acceptable : Intermediate;
    }

  private:
    ValueScale scale_;
};

const QColor kPendingBase(0xFF, 0xF2, 0xB8); // pale yellow: typed, not yet entered
const QColor kPassText(0x1B, 0x5E, 0x20);    // dark green, beside the word PASS
const QColor kFailText(0xB7, 0x1C, 0x1C);    // dark red, beside the word FAIL
const QColor kWarningBase(0xFF, 0xD6, 0xC2); // pale orange: outside the page's range
const QColor kWarningText(0x9A, 0x25, 0x00);

void setLook(QLineEdit* e, bool pending, bool warning) {
    QFont font = e->parentWidget()->font();
    font.setItalic(pending);
    e->setFont(font);
    if (!pending && !warning) {
        e->setPalette(QPalette()); // the dialog's own colours again
        return;
    }
    QPalette p = e->parentWidget()->palette();
    p.setColor(QPalette::Base, warning ? kWarningBase : kPendingBase);
    if (warning) {
        p.setColor(QPalette::Active, QPalette::Text, kWarningText);
        p.setColor(QPalette::Inactive, QPalette::Text, kWarningText);
        p.setColor(QPalette::Disabled, QPalette::Text, kWarningText);
    }
    e->setPalette(p);
}

QLineEdit* valueEdit(QWidget* parent, int minChars) {
    auto* e = new QLineEdit(parent);
    e->setAlignment(Qt::AlignRight);
    const int w = e->fontMetrics().horizontalAdvance(QString(minChars, QLatin1Char('0'))) + 16;
    e->setMinimumWidth(w);
    return e;
}

void setTextIfDifferent(QLineEdit* e, const std::string& text) {
    const QString t = QString::fromStdString(text);
    if (e->text() != t)
        e->setText(t);
}
} // namespace

SoftpotRowWidget::SoftpotRowWidget(SoftpotGroup& group, int row, QWidget* parent, QGridLayout* grid,
                                   int gridRow, RowReadings* readings)
    : QObject(parent), group_(group), row_(row), frequency_(valueEdit(parent, 10)),
      default_(valueEdit(parent, 3)), scrollBar_(new StepScrollBar(Qt::Horizontal, parent)),
      working_(valueEdit(parent, 4)), upDown_(new UpDownControl(parent)), readings_(readings) {
    const RowSpec& desc = *group.row(row).desc;
    const QString name =
        QStringLiteral("%1, point %2")
            .arg(QString::fromUtf8(desc.group.data(), static_cast<int>(desc.group.size())))
            .arg(desc.point);
    frequency_->setAccessibleName(name + QStringLiteral(", Frequency Point"));
    default_->setAccessibleName(name + QStringLiteral(", Default Softpot"));
    scrollBar_->setAccessibleName(name + QStringLiteral(", Softpot scroll bar"));
    working_->setAccessibleName(name + QStringLiteral(", Working Softpot"));
    upDown_->setAccessibleBaseName(name + QStringLiteral(", Working Softpot step"));

    frequency_->setReadOnly(true);
    default_->setReadOnly(true);
    frequency_->setEnabled(false);
    default_->setEnabled(false);
    frequency_->setFocusPolicy(Qt::NoFocus);
    default_->setFocusPolicy(Qt::NoFocus);

    const int max = group.page().scale.max;
    scrollBar_->setRange(0, max);
    scrollBar_->setSingleStep(1);
    scrollBar_->setPageStep(5);
    scrollBar_->setFocusPolicy(Qt::StrongFocus);

    upDown_->setFixedHeight(working_->sizeHint().height());
    scrollBar_->setMinimumWidth(160);

    grid->addWidget(frequency_, gridRow, 0);
    grid->addWidget(default_, gridRow, 1);
    grid->addWidget(scrollBar_, gridRow, 2);
    grid->addWidget(working_, gridRow, 3);
    grid->addWidget(upDown_, gridRow, 4);

    connect(scrollBar_, &QScrollBar::actionTriggered, this, &SoftpotRowWidget::onAction);
    connect(scrollBar_, &QScrollBar::sliderReleased, this, [this] {
        group_.endScroll(row_);
        mirror();
    });
    connect(upDown_, &UpDownControl::stepped, this, [this](int delta) {
        group_.spin(row_, delta);
        mirror();
    });
    connect(working_, &QLineEdit::textEdited, this,
            [this](const QString& text) { group_.setWorkingEditText(row_, text.toStdString()); });
    working_->setValidator(new ScaleValidator(group.page().scale, working_));
    working_->installEventFilter(this);
    // Steps typed while the page waits for the radio are kept by the page and sent after.
    const auto keeps = [&group = group_] { return group.keepsSteps(); };
    GuiClock::takeStepsDuringWaits(scrollBar_, GuiClock::StepInput::Keys, keeps);
    GuiClock::takeStepsDuringWaits(working_, GuiClock::StepInput::Keys, keeps);
    upDown_->takeStepsDuringWaits(keeps);
    if (readings_ && readings_->limit(row_))
        addReadingControls(parent, grid, gridRow, name);
    mirror();
}

void SoftpotRowWidget::addReadingControls(QWidget* parent, QGridLayout* grid, int gridRow,
                                          const QString& name) {
    const QString unit = QString::fromStdString(readings_->limit(row_)->unit);
    reading_ = valueEdit(parent, 6);
    reading_->setAccessibleName(name + QStringLiteral(", Meter reading (%1)").arg(unit));
    reading_->setToolTip(
        QStringLiteral("The meter's reading in %1 for this row; Enter keeps it with the row's "
                       "value and judges it against the band's limits")
            .arg(unit));
    reading_->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[-+]?[0-9]*[.,]?[0-9]*")), reading_));
    reading_->installEventFilter(this);
    auto* unitLabel = new QLabel(unit, parent);
    verdict_ = new QLabel(parent);
    verdict_->setAccessibleName(name + QStringLiteral(", Reading result"));
    verdict_->setMinimumWidth(verdict_->fontMetrics().horizontalAdvance(QStringLiteral("FAIL at "
                                                                                       "0.00")) +
                              8);
    grid->addWidget(reading_, gridRow, 5);
    grid->addWidget(unitLabel, gridRow, 6);
    grid->addWidget(verdict_, gridRow, 7);
}

void SoftpotRowWidget::takeReading() {
    // Text that is no number is no reading: the field shows the kept one again.
    readings_->take(row_, reading_->text().toStdString());
    reading_->setText(QString::fromStdString(readings_->readingText(row_)));
    showVerdict();
}

void SoftpotRowWidget::showVerdict() {
    const std::optional<RowReading>& r = readings_->reading(row_);
    const QString text = QString::fromStdString(readings_->verdictText(row_));
    const QString note = QString::fromStdString(readings_->noteText(row_));
    if (verdict_->text() == text && verdict_->toolTip() == note)
        return;
    verdict_->setText(text);
    QFont font = verdict_->font();
    font.setBold(true);
    verdict_->setFont(font);
    QPalette p = verdict_->palette();
    p.setColor(QPalette::WindowText, r && r->pass ? kPassText : kFailText);
    verdict_->setPalette(p);
    verdict_->setToolTip(note);
    verdict_->setAccessibleDescription(note);
    reading_->setAccessibleDescription(note);
}

// Line and page steps (mouse or keyboard) and the ends commit at once; a thumb drag commits
// when the thumb is let go. The wheel moves without a press, so it commits at once as well.
void SoftpotRowWidget::onAction(int action) {
    ScrollCode code = ScrollCode::ThumbPosition;
    bool commit = true;
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
        code = ScrollCode::LineRight;
        break;
    case QAbstractSlider::SliderSingleStepSub:
        code = ScrollCode::LineLeft;
        break;
    case QAbstractSlider::SliderPageStepAdd:
        code = ScrollCode::PageRight;
        break;
    case QAbstractSlider::SliderPageStepSub:
        code = ScrollCode::PageLeft;
        break;
    case QAbstractSlider::SliderToMinimum:
        code = ScrollCode::Top;
        break;
    case QAbstractSlider::SliderToMaximum:
        code = ScrollCode::Bottom;
        break;
    case QAbstractSlider::SliderMove:
        code = scrollBar_->isSliderDown() ? ScrollCode::ThumbTrack : ScrollCode::ThumbPosition;
        commit = !scrollBar_->isSliderDown();
        break;
    default:
        return;
    }
    // The engine computes the step from its own position.
    group_.scroll(row_, code, scrollBar_->sliderPosition());
    // Inside an action the slider does not report this as a move of its own.
    scrollBar_->setSliderPosition(group_.row(row_).controls.position);
    if (commit) {
        static_cast<StepScrollBar*>(scrollBar_)->stopRepeat();
        group_.endScroll(row_);
        scrollBar_->setSliderPosition(group_.row(row_).controls.position);
    }
}

bool SoftpotRowWidget::eventFilter(QObject* watched, QEvent* event) {
    if (watched == reading_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            takeReading();
            return true;
        }
    }
    if (watched == working_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) {
            group_.spin(row_, key->key() == Qt::Key_Up ? +1 : -1);
            mirror();
            return true;
        }
        // The page takes Enter itself: the edit's own signal stays silent for partial input,
        // which the page must put back.
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            group_.enter(row_);
            mirror();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void SoftpotRowWidget::mirror() {
    const SoftpotRowControls& c = group_.row(row_).controls;
    setTextIfDifferent(frequency_, c.frequency);
    setTextIfDifferent(default_, c.defaultSoftpot);
    setTextIfDifferent(working_, c.working);
    // setValue, not setSliderPosition: the latter reports a slider move, which would commit.
    scrollBar_->setValue(c.position);
    scrollBar_->setEnabled(c.enabled);
    working_->setEnabled(c.enabled);
    upDown_->setEnabled(c.enabled);
    if (reading_) {
        reading_->setEnabled(c.enabled);
        showVerdict(); // "at" the value the reading was taken at, once the row has moved on
    }
    showMarks(group_.marks(row_));
}

void SoftpotRowWidget::showMarks(const RowMarks& m) {
    if (marksShown_ && m.pending == shown_.pending &&
        m.storedOutOfRange == shown_.storedOutOfRange &&
        m.workingOutOfRange == shown_.workingOutOfRange && m.note == shown_.note)
        return;
    marksShown_ = true;
    shown_ = m;
    setLook(default_, false, m.storedOutOfRange);
    setLook(working_, m.pending, m.workingOutOfRange);
    const QString note = QString::fromStdString(m.note);
    for (QWidget* w : {static_cast<QWidget*>(default_), static_cast<QWidget*>(scrollBar_),
                       static_cast<QWidget*>(working_)}) {
        w->setToolTip(note);
        w->setAccessibleDescription(note);
    }
}

void SoftpotRowWidget::focusScrollBar() {
    scrollBar_->setFocus(Qt::OtherFocusReason);
}

} // namespace korvelo
