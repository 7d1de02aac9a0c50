#pragma once
// The view's command table: command id -> what it does. Radio commands pass the port-fault
// gate first; a dialog command constructs its dialog, runs it modally and destroys it.
#include "radio/radio_state.h"

#include <QDialog>
#include <functional>
#include <map>
#include <memory>

namespace korvelo {

// A page or utility dialog, constructed as Dialog(AppEnv& env, QWidget* parent).
using DialogFactory = std::function<std::unique_ptr<QDialog>(AppEnv&, QWidget*)>;
using CommandHandler = std::function<void(AppEnv&, QWidget*)>;

enum class Gate {
    None,      // runs whatever the port state (it does its own port handling, or none)
    PortFault, // refused with "Radio Communication Error!!" while portFault is set
};

template <class Dialog> DialogFactory dialogFactory() {
    return [](AppEnv& env, QWidget* parent) -> std::unique_ptr<QDialog> {
        return std::make_unique<Dialog>(env, parent);
    };
}

class CommandTable {
  public:
    explicit CommandTable(AppEnv& env) : env_(env) {}

    void addHandler(int id, Gate gate, CommandHandler handler);
    void addDialog(int id, Gate gate, DialogFactory factory);
    bool has(int id) const { return commands_.count(id) != 0; }

    // Runs the command; false when there is none with that id, or another command is still
    // running (a command never starts inside another one's radio exchange).
    bool run(int id, QWidget* parent);
    bool running() const { return running_; }

  private:
    struct Command {
        Gate gate;
        CommandHandler handler;
    };
    AppEnv& env_;
    std::map<int, Command> commands_;
    bool running_ = false;
};

} // namespace korvelo
