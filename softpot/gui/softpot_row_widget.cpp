#include "softpot/gui/softpot_row_widget.h"

#include "softpot/gui/up_down_control.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollBar>

namespace korvelo {

namespace {
// Every line or page step commits, so a held mouse button must not keep repeating it.
class StepScrollBar : public QScrollBar {
  public:
    using QScrollBar::QScrollBar;
    void stopRepeat() { setRepeatAction(SliderNoAction); }
};

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
                                   int gridRow)
    : QObject(parent), group_(group), row_(row), frequency_(valueEdit(parent, 10)),
      default_(valueEdit(parent, 3)), scrollBar_(new StepScrollBar(Qt::Horizontal, parent)),
      working_(valueEdit(parent, 4)), upDown_(new UpDownControl(parent)) {
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
    connect(working_, &QLineEdit::returnPressed, this, [this] {
        group_.enter(row_);
        mirror();
    });
    working_->installEventFilter(this);
    mirror();
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
    if (watched == working_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) {
            group_.spin(row_, key->key() == Qt::Key_Up ? +1 : -1);
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
}

void SoftpotRowWidget::focusScrollBar() {
    scrollBar_->setFocus(Qt::OtherFocusReason);
}

} // namespace korvelo
