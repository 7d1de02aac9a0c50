#pragma once
// How operations report to the user: one text and one icon per message. The GUI shows a
// message box captioned "Tuner Tool", the CLI prints to standard error, tests record.
#include <string>
#include <vector>

namespace korvelo {

// Warning: a problem that does not end the operation (a backup that could not be kept).
enum class Icon { None, Information, Exclamation, Error, Warning };

struct Notice {
    std::string text;
    Icon icon = Icon::None;
    bool operator==(const Notice&) const = default;
};

class Notifier {
  public:
    virtual ~Notifier() = default;
    // Always called on the caller's (user-interface) thread, never on the receive thread.
    virtual void notify(const std::string& text, Icon icon) = 0;
    // What a long wait is waiting for ("Waiting for the radio: Reset, try 2 of 5"); an empty
    // text when the wait is over. Shown where it does not interrupt (the GUI's status bar).
    virtual void status(const std::string& /*text*/) {}
};

// Keeps every message; used by tests and by callers that report later.
class RecordingNotifier : public Notifier {
  public:
    void notify(const std::string& text, Icon icon) override { notices.push_back({text, icon}); }
    void status(const std::string& text) override { statuses.push_back(text); }
    std::vector<Notice> notices;
    std::vector<std::string> statuses;
};

} // namespace korvelo
