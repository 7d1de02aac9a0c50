#include "softpot/gui/up_down_control.h"

#include "gui/gui_clock.h"

#include <QToolButton>
#include <QVBoxLayout>

namespace korvelo {

namespace {
QToolButton* arrowButton(Qt::ArrowType arrow, QWidget* parent) {
    auto* b = new QToolButton(parent);
    b->setArrowType(arrow);
    // Keyboard users step with the arrow keys in the Working Softpot edit instead.
    b->setFocusPolicy(Qt::NoFocus);
    b->setAutoRepeat(false);
    b->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    b->setFixedWidth(18);
    // Two halves of an edit's height, like the classic up-down next to its edit.
    b->setMinimumHeight(8);
    b->setIconSize(QSize(8, 8));
    return b;
}
} // namespace

UpDownControl::UpDownControl(QWidget* parent)
    : QWidget(parent), up_(arrowButton(Qt::UpArrow, this)),
      down_(arrowButton(Qt::DownArrow, this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(up_);
    layout->addWidget(down_);
    connect(up_, &QToolButton::clicked, this, [this] { emit stepped(+1); });
    connect(down_, &QToolButton::clicked, this, [this] { emit stepped(-1); });
}

void UpDownControl::setAccessibleBaseName(const QString& name) {
    setAccessibleName(name);
    up_->setAccessibleName(name + QStringLiteral(", up"));
    down_->setAccessibleName(name + QStringLiteral(", down"));
}

} // namespace korvelo

namespace korvelo {

void UpDownControl::takeStepsDuringWaits(const std::function<bool()>& keeps) {
    for (QToolButton* b : {up_, down_})
        GuiClock::takeStepsDuringWaits(b, GuiClock::StepInput::Clicks, keeps);
}

} // namespace korvelo
