#pragma once
// The desktop's notice that the computer is about to sleep: logind's PrepareForSleep
// signal on the system bus. Where there is no system bus (or no logind) it stays silent.
#include <QObject>

#include <functional>

namespace vexa {

class SuspendNotifier : public QObject {
    Q_OBJECT
public:
    SuspendNotifier(QObject* parent, std::function<void()> onSuspend);
    bool IsListening() const { return listening_; }

private slots:
    void PrepareForSleep(bool start);

private:
    std::function<void()> onSuspend_;
    bool listening_ = false;
};

} // namespace vexa
