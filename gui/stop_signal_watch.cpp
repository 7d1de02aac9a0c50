#include "gui/stop_signal_watch.h"

#include "link/stop_request.h"

#include <QSocketNotifier>
#include <QTimer>
#include <cstdlib>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace korvelo {

namespace {

#ifdef _WIN32
BOOL WINAPI onConsoleEvent(DWORD type) {
    const int sig =
        type == CTRL_CLOSE_EVENT ? 1 : (type == CTRL_C_EVENT || type == CTRL_BREAK_EVENT ? 2 : 15);
    if (stopSignal() != 0)
        ExitProcess(128 + sig);
    requestStop(sig);
    // The console's close ends the process once this returns: give the program its time.
    if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT)
        Sleep(4500);
    return TRUE;
}
#else
int g_pipe[2] = {-1, -1};

void handleStopSignal(int sig) {
    if (stopSignal() != 0)
        std::_Exit(128 + sig);
    requestStop(sig);
    const auto byte = static_cast<unsigned char>(sig);
    const ssize_t ignored = ::write(g_pipe[1], &byte, 1);
    (void)ignored;
}
#endif

} // namespace

StopSignalWatch::StopSignalWatch(std::function<void(int)> onSignal, QObject* parent)
    : QObject(parent), onSignal_(std::move(onSignal)) {
#ifdef _WIN32
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
    // No pipe on Windows: the request is looked for.
    auto* poll = new QTimer(this);
    connect(poll, &QTimer::timeout, this, [this, poll] {
        if (const int sig = stopSignal()) {
            poll->stop();
            onSignal_(sig);
        }
    });
    poll->start(100);
#else
    if (g_pipe[0] < 0 && ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    notifier_ = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &StopSignalWatch::drain);
    struct sigaction sa {};
    sa.sa_handler = handleStopSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(sig, &sa, nullptr);
#endif
}

StopSignalWatch::~StopSignalWatch() {
#ifndef _WIN32
    for (int sig : {SIGINT, SIGTERM, SIGHUP})
        ::signal(sig, SIG_DFL);
#endif
}

void StopSignalWatch::drain() {
#ifndef _WIN32
    unsigned char byte = 0;
    int last = 0;
    while (::read(g_pipe[0], &byte, 1) == 1)
        last = byte;
    if (last != 0)
        onSignal_(last);
#endif
}

} // namespace korvelo
