#include "gui/command_table.h"

#include "radio/radio_utilities.h"

namespace korvelo {

void CommandTable::addHandler(int id, Gate gate, CommandHandler handler) {
    commands_[id] = Command{gate, std::move(handler)};
}

void CommandTable::addDialog(int id, Gate gate, DialogFactory factory) {
    addHandler(id, gate, [factory = std::move(factory)](AppEnv& env, QWidget* parent) {
        std::unique_ptr<QDialog> dialog = factory(env, parent);
        if (dialog)
            dialog->exec();
    });
}

bool CommandTable::run(int id, QWidget* parent) {
    const auto it = commands_.find(id);
    if (it == commands_.end() || running_)
        return false;
    if (it->second.gate == Gate::PortFault && !passPortFaultGate(env_))
        return true;
    running_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{running_};
    const CommandHandler handler = it->second.handler; // the table may change meanwhile
    handler(env_, parent);
    return true;
}

} // namespace korvelo
