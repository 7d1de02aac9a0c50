#pragma once
// What the GUI tests share: one QApplication for the test program, and a driver for modal
// loops that can never hang a test.
#include <QApplication>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>

namespace korvelo::test {

// Watches QApplication::activeModalWidget() and hands each modal widget that appears to the
// action (which answers or closes it). After the watchdog time every modal widget is closed as it
// appears and timedOut() says so, so a wrong expectation fails the test instead of blocking it.
class ModalDriver : public QObject {
  public:
    explicit ModalDriver(std::function<void(QWidget*)> action, int watchdogMs = 5000);
    ~ModalDriver() override;
    int seen() const { return seen_; }
    bool timedOut() const { return timedOut_; }

  private:
    void tick();
    std::function<void(QWidget*)> action_;
    QTimer timer_;
    QPointer<QWidget> last_;
    int seen_ = 0;
    int elapsedMs_ = 0;
    int watchdogMs_;
    bool timedOut_ = false;
};

// Closes a dialog or message box the way Escape would.
void dismiss(QWidget* modal);

// Clicks the push button with this text inside the widget with a real mouse click; false when
// there is none.
bool clickButton(QWidget* modal, const QString& text);

// Keeps the settings of the program (its own and the port profile) in a folder of the test's,
// empty at first. On Windows the native settings are the registry, which no folder replaces:
// there the program's keys are cleared instead, but only in a registry made for the tests
// (KORVELO_SCRATCH_REGISTRY=1, as the Wine check's fresh prefix); elsewhere false, and the
// test skips rather than wipe the user's settings.
bool useTestProfile(const QString& folder);
#define KORVELO_USE_TEST_PROFILE(folder)                                                           \
    if (!::korvelo::test::useTestProfile(folder))                                                  \
    GTEST_SKIP() << "the settings are in this user's registry; set KORVELO_SCRATCH_REGISTRY=1 "    \
                    "in a registry made for the tests"

} // namespace korvelo::test
