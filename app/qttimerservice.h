#pragma once
// TimerService on QTimer: timers that belong to no window, run by the event loop of the
// user-interface thread.
#include "core/timerservice.h"

#include <QObject>

#include <map>

class QTimer;

namespace vexa {

class QtTimerService : public TimerService {
public:
    QtTimerService();
    ~QtTimerService() override;
    int Start(int id, int periodMs, Callback callback) override;
    void Stop(int id) override;
    bool IsRunning(int id) const { return timers_.count(id) != 0; }
    int PeriodOf(int id) const;

private:
    QObject owner_;
    std::map<int, QTimer*> timers_;
};

} // namespace vexa
