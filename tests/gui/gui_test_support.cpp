#include "gui/gui_test_support.h"

#include "link/qt/tuner_settings.h"
#include "radio/qt/korvelo_settings.h"

#include <QDialog>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <gtest/gtest.h>

namespace korvelo::test {

namespace {

class QtEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "korvelo-gui-test";
        static char* argv[] = {name, nullptr};
        app_ = new QApplication(argc, argv);
    }
    void TearDown() override {
        delete app_;
        app_ = nullptr;
    }

  private:
    QApplication* app_ = nullptr;
};

[[maybe_unused]] ::testing::Environment* const qtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

constexpr int kTickMs = 10;

} // namespace

ModalDriver::ModalDriver(std::function<void(QWidget*)> action, int watchdogMs)
    : action_(std::move(action)), watchdogMs_(watchdogMs) {
    timer_.setInterval(kTickMs);
    connect(&timer_, &QTimer::timeout, this, &ModalDriver::tick);
    timer_.start();
}

ModalDriver::~ModalDriver() {
    timer_.stop();
}

void ModalDriver::tick() {
    elapsedMs_ += kTickMs;
    QWidget* modal = QApplication::activeModalWidget();
    if (elapsedMs_ > watchdogMs_) {
        // From now on every modal widget is closed as it comes (also one that a closed one
        // leads to), so the test fails instead of hanging.
        timedOut_ = true;
        for (int i = 0; i < 8; ++i) {
            QWidget* w = QApplication::activeModalWidget();
            if (!w)
                break;
            dismiss(w);
        }
        return;
    }
    if (!modal || modal == last_)
        return;
    last_ = modal;
    ++seen_;
    action_(modal);
}

void dismiss(QWidget* modal) {
    if (auto* dialog = qobject_cast<QDialog*>(modal))
        dialog->reject();
    else
        modal->close();
}

bool clickButton(QWidget* modal, const QString& text) {
    for (QPushButton* b : modal->findChildren<QPushButton*>()) {
        if (QString(b->text()).remove(QLatin1Char('&')) == text) { // as the user reads it
            QTest::mouseClick(b, Qt::LeftButton);
            return true;
        }
    }
    return false;
}

bool useTestProfile(const QString& folder) {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder);
#ifdef _WIN32
    if (qEnvironmentVariable("KORVELO_SCRATCH_REGISTRY") != QLatin1String("1"))
        return false;
    for (const auto& [organisation, application] :
         {std::pair{TunerSettings::kOrganisation, TunerSettings::kApplication},
          std::pair{KorveloSettings::kOrganisation, KorveloSettings::kApplication}})
        QSettings(QSettings::NativeFormat, QSettings::UserScope, QString::fromLatin1(organisation),
                  QString::fromLatin1(application))
            .clear();
#endif
    return true;
}

} // namespace korvelo::test
