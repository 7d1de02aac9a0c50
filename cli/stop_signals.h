#pragma once
// korvelo-cli's end on SIGINT, SIGTERM and SIGHUP (Windows: Ctrl+C, Ctrl+Break and the
// console's close): the first asks the program to stop (stop_request.h), so that the command
// in progress ends at once and the radio is left safe before the program exits; a second one
// ends the program at once.
namespace korvelo::cli {

// Call before any other thread starts, so that every thread inherits the blocked signals.
void watchStopSignals();
// The program has left the radio safe; on Windows the console's close may now go on.
void stoppedSafely();

} // namespace korvelo::cli
