#pragma once
// The CLI's notifier: each message on standard error, prefixed by its kind. The exclamation
// messages end the command (a port that fails, a radio that refuses, a file that cannot be
// written), so they are errors here; warnings tell of a problem the command went on past.
#include "link/notifier.h"
#include "link/stop_request.h"

#include <iostream>

namespace korvelo::cli {

class StderrNotifier : public Notifier {
  public:
    void notify(const std::string& text, Icon icon) override {
        // A stopping command's complaints are about frames it no longer sends.
        if (stopSignal() != 0)
            return;
        std::cerr << prefix(icon) << text << '\n' << std::flush;
    }

  private:
    static const char* prefix(Icon icon) {
        switch (icon) {
        case Icon::Error:
        case Icon::Exclamation:
            return "error: ";
        case Icon::Warning:
            return "warning: ";
        case Icon::Information:
        case Icon::None:
            break;
        }
        return "";
    }
};

} // namespace korvelo::cli
