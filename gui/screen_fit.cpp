#include "gui/screen_fit.h"

#include <QDialog>
#include <QEvent>
#include <QLayout>
#include <QMainWindow>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>
#include <QWindow>

namespace korvelo {

namespace {

const char* const kScrolled = "korveloScrolled";

QScrollArea* scrollAround(QWidget* inner, QWidget* parent) {
    auto* scroll = new QScrollArea(parent);
    scroll->setAccessibleName(QStringLiteral("Scrolled contents"));
    scroll->setWidget(inner);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    return scroll;
}

// The window's contents in a scroll area: a main window's central widget, or a dialog's layout
// with the controls it holds.
void scrollContents(QWidget* window) {
    if (window->property(kScrolled).toBool())
        return;
    if (auto* main = qobject_cast<QMainWindow*>(window)) {
        if (QWidget* central = main->takeCentralWidget())
            main->setCentralWidget(scrollAround(central, main));
    } else if (QLayout* layout = window->layout()) {
        auto* inner = new QWidget;
        inner->setLayout(layout); // takes the layout and its controls from the window
        auto* outer = new QVBoxLayout(window);
        outer->setContentsMargins(0, 0, 0, 0);
        outer->addWidget(scrollAround(inner, window));
    } else {
        return;
    }
    window->setProperty(kScrolled, true);
}

} // namespace

void ScreenFit::fit(QWidget* window) {
    QScreen* screen = window->screen();
    if (!screen)
        return;
    const QRect avail = screen->availableGeometry();
    QMargins frame;
    if (window->windowHandle())
        frame = window->windowHandle()->frameMargins();
    const QSize room(avail.width() - frame.left() - frame.right(),
                     avail.height() - frame.top() - frame.bottom());
    const QSize needed = window->minimumSizeHint().expandedTo(window->minimumSize());
    if (needed.width() > room.width() || needed.height() > room.height()) {
        scrollContents(window);
        window->setMinimumSize(window->minimumSize().boundedTo(room));
    }
    if (window->width() > room.width() || window->height() > room.height())
        window->resize(window->size().boundedTo(room));
    // Wholly on the screen, the title bar first.
    QRect at(window->pos(),
             window->size() + QSize(frame.left() + frame.right(), frame.top() + frame.bottom()));
    if (!avail.contains(at)) {
        at.moveRight(std::min(at.right(), avail.right()));
        at.moveBottom(std::min(at.bottom(), avail.bottom()));
        at.moveLeft(std::max(at.left(), avail.left()));
        at.moveTop(std::max(at.top(), avail.top()));
        window->move(at.topLeft());
    }
}

bool ScreenFit::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
        auto* w = static_cast<QWidget*>(watched);
        if (w->isWindow() && (qobject_cast<QDialog*>(w) || qobject_cast<QMainWindow*>(w)))
            fit(w);
    }
    return QObject::eventFilter(watched, event);
}

} // namespace korvelo
