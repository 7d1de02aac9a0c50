#pragma once
// Messages of the radio operations as modal message boxes captioned "Tuner Tool".
#include "link/notifier.h"

#include <QString>
#include <functional>

class QWidget;

namespace korvelo {

inline constexpr const char* kMessageCaption = "Tuner Tool";

class MessageBoxNotifier : public Notifier {
  public:
    // The box's parent: the active modal dialog, else the active window, else the given one.
    explicit MessageBoxNotifier(std::function<QWidget*()> fallbackParent = {});
    void notify(const std::string& text, Icon icon) override;
    // Where the waits' texts go (the main window's status bar); nowhere until set.
    void setStatusSink(std::function<void(const QString&)> sink) { statusSink_ = std::move(sink); }
    void status(const std::string& text) override;

  private:
    std::function<QWidget*()> fallbackParent_;
    std::function<void(const QString&)> statusSink_;
};

// The parent a message box should have right now.
QWidget* messageParent(QWidget* fallback);

// A yes/no question captioned "Tuner Tool" (exclamation icon); true for Yes.
bool askYesNo(QWidget* parent, const QString& text);

} // namespace korvelo
