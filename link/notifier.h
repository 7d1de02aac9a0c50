#pragma once
// How operations report to the user: one text and one icon per message. The GUI shows a
// message box captioned "Tuner Tool", the CLI prints to standard error, tests record.
#include <string>
#include <vector>

namespace korvelo {

enum class Icon { None, Information, Exclamation, Error };

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
};

// Keeps every message; used by tests and by callers that report later.
class RecordingNotifier : public Notifier {
  public:
    void notify(const std::string& text, Icon icon) override { notices.push_back({text, icon}); }
    std::vector<Notice> notices;
};

} // namespace korvelo
