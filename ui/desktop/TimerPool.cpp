#include "TimerPool.h"

namespace kelvane {

TimerPool::TimerPool(int minuteMilliseconds, int splashMilliseconds, Handler handler,
                     QObject* parent)
    : QObject(parent), handler_(std::move(handler)) {
    minute_.setInterval(minuteMilliseconds);
    splash_.setInterval(splashMilliseconds);
    connect(&minute_, &QTimer::timeout, this, [this] { TimerPoolAllTriggers(Trigger::Minute); });
    connect(&splash_, &QTimer::timeout, this, [this] { TimerPoolAllTriggers(Trigger::Splash); });
    minute_.start();
    splash_.start();
}

void TimerPool::TimerPoolAllTriggers(Trigger fired) {
    if (handler_) handler_(fired);
}

QTimer& TimerPool::timer(Trigger trigger) {
    return trigger == Trigger::Minute ? minute_ : splash_;
}

const QTimer& TimerPool::timer(Trigger trigger) const {
    return trigger == Trigger::Minute ? minute_ : splash_;
}

void TimerPool::setEnabled(Trigger trigger, bool enabled) {
    if (enabled)
        timer(trigger).start();
    else
        timer(trigger).stop();
}

bool TimerPool::enabled(Trigger trigger) const {
    return timer(trigger).isActive();
}

}  // namespace kelvane
