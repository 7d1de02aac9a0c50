#pragma once
// The CLI's notifier: each message on standard error, prefixed by its kind.
#include "link/notifier.h"

#include <iostream>

namespace korvelo::cli {

class StderrNotifier : public Notifier {
  public:
    void notify(const std::string& text, Icon icon) override {
        std::cerr << prefix(icon) << text << '\n' << std::flush;
    }

  private:
    static const char* prefix(Icon icon) {
        switch (icon) {
        case Icon::Error:
            return "error: ";
        case Icon::Exclamation:
            return "warning: ";
        case Icon::Information:
        case Icon::None:
            break;
        }
        return "";
    }
};

} // namespace korvelo::cli
