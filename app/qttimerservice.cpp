#include "app/qttimerservice.h"

#include <QTimer>

namespace vexa {

QtTimerService::QtTimerService() = default;

QtTimerService::~QtTimerService() {
    for (auto& [id, timer] : timers_)
        timer->stop();
}

int QtTimerService::Start(int id, int periodMs, Callback callback) {
    if (id == 0)
        id = 1;
    Stop(id);
    auto* timer = new QTimer(&owner_);
    // A period of 0 from a definition file would fire without pause and starve the window.
    timer->setInterval(std::max(periodMs, 1));
    QObject::connect(timer, &QTimer::timeout, timer, std::move(callback));
    timers_[id] = timer;
    timer->start();
    return id;
}

void QtTimerService::Stop(int id) {
    const auto it = timers_.find(id);
    if (it == timers_.end())
        return;
    it->second->stop();
    // The timer may be the one whose callback is running.
    it->second->deleteLater();
    timers_.erase(it);
}

int QtTimerService::PeriodOf(int id) const {
    const auto it = timers_.find(id);
    return it == timers_.end() ? 0 : it->second->interval();
}

} // namespace vexa
