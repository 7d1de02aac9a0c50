#pragma once
// A page dialog opens its pages (and talks to the radio) from its show event, before the
// window is mapped. The opening's waits let window-system events through, and X11 can report
// the window's first, unlaid-out size (100 x 30) meanwhile: the dialog keeps the size its
// layout gave it.
#include <QSize>
#include <QWidget>

namespace korvelo {

template <class Open> void openKeepingLaidOutSize(QWidget& dialog, Open&& open) {
    const QSize laidOut = dialog.size();
    open();
    if (dialog.size() != laidOut)
        dialog.resize(laidOut);
}

} // namespace korvelo
