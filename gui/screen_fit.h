#pragma once
// Every window of the program fits the screen it opens on, whatever the scale factor: a window
// larger than the screen's available area is made smaller, and one whose controls need more
// room than that gets its contents in a scroll area, so that no button or status bar is ever
// off screen. Installed on the application by the main window.
#include <QObject>

class QWidget;

namespace korvelo {

class ScreenFit : public QObject {
  public:
    using QObject::QObject;

    // Fits one window now (the filter does this as each window is shown).
    static void fit(QWidget* window);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace korvelo
