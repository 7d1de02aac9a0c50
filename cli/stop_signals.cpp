#include "cli/stop_signals.h"

#include "link/stop_request.h"

#include <cstdlib>
#include <thread>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <csignal>
#include <pthread.h>
#include <unistd.h>
#endif

namespace korvelo::cli {

namespace {
constexpr char kStopping[] =
    "korvelo-cli: stopping; the radio is left safe first (again to stop at once)\n";
}

#ifdef _WIN32

namespace {
HANDLE g_safe = nullptr;

BOOL WINAPI onConsoleEvent(DWORD type) {
    int sig = 2; // Ctrl+C, Ctrl+Break
    if (type == CTRL_CLOSE_EVENT)
        sig = 1;
    else if (type == CTRL_LOGOFF_EVENT || type == CTRL_SHUTDOWN_EVENT)
        sig = 15;
    if (stopSignal() != 0)
        ExitProcess(128 + sig);
    requestStop(sig);
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), kStopping, sizeof kStopping - 1, &written, nullptr);
    // The system ends the process when this returns after a close: wait for the radio first
    // (the system allows about five seconds).
    if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT && g_safe)
        WaitForSingleObject(g_safe, 4500);
    return TRUE;
}
} // namespace

void watchStopSignals() {
    g_safe = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

void stoppedSafely() {
    if (g_safe)
        SetEvent(g_safe);
}

#else

void watchStopSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    // The signals come to this thread alone, as a message rather than an interruption.
    std::thread([set] {
        for (;;) {
            int sig = 0;
            if (sigwait(&set, &sig) != 0)
                continue;
            if (stopSignal() != 0)
                std::_Exit(128 + sig);
            requestStop(sig);
            const ssize_t ignored = ::write(STDERR_FILENO, kStopping, sizeof kStopping - 1);
            (void)ignored;
        }
    }).detach();
}

void stoppedSafely() {}

#endif

} // namespace korvelo::cli
