#include "frame/suspendnotifier.h"

#include <QDBusConnection>

namespace vexa {

SuspendNotifier::SuspendNotifier(QObject* parent, std::function<void()> onSuspend)
    : QObject(parent), onSuspend_(std::move(onSuspend)) {
    QDBusConnection bus = QDBusConnection::systemBus();
    if (bus.isConnected())
        listening_ = bus.connect(
            QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
            QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"),
            this, SLOT(PrepareForSleep(bool)));
}

void SuspendNotifier::PrepareForSleep(bool start) {
    // true before sleeping, false after waking; only the first matters.
    if (start && onSuspend_)
        onSuspend_();
}

} // namespace vexa
