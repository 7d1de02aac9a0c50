#pragma once
// SIGINT, SIGTERM and SIGHUP (on Windows the console's Ctrl+C, Ctrl+Break and close) as a call
// on the user-interface thread. The handler itself only asks the program to stop
// (stop_request.h), so that a radio exchange in progress ends at once, and wakes the
// user-interface thread through a pipe; a second signal ends the program at once.
#include <QObject>
#include <functional>

class QSocketNotifier;

namespace korvelo {

class StopSignalWatch : public QObject {
    Q_OBJECT
  public:
    explicit StopSignalWatch(std::function<void(int signal)> onSignal, QObject* parent = nullptr);
    ~StopSignalWatch() override;

  private:
    void drain();
    std::function<void(int)> onSignal_;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace korvelo
