#pragma once
// korvelo-cli and the alignment record: the job a read keeps, and the history and report
// commands over the bench's record or the shop database.
#include "cli/cli_options.h"
#include "radio/radio_state.h"

#include <memory>
#include <ostream>

namespace korvelo::cli {

// Keeps the session's job while it lives; at its end the job ends, is written, and is offered
// once to the shop database when one is set (a job that does not land waits in the bench's
// outbox for the next run of Korvelo or korvelo-cli).
class CliRecording {
  public:
    explicit CliRecording(Session& session);
    ~CliRecording();
    CliRecording(const CliRecording&) = delete;
    CliRecording& operator=(const CliRecording&) = delete;

  private:
    struct Parts;
    Session& session_;
    std::unique_ptr<Parts> parts_;
};

int historyCommand(const Options& o, std::ostream& out, std::ostream& err);
int reportCommand(const Options& o, std::ostream& out, std::ostream& err);

} // namespace korvelo::cli
