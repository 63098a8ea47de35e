#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

namespace kelvane {

// The main window's two triggers, the minute trigger of unattended checking and the splash
// trigger, with one handler that is told which one fired.
class TimerPool : public QObject {
    Q_OBJECT

  public:
    enum class Trigger { Minute, Splash };
    using Handler = std::function<void(Trigger)>;

    // Both triggers are created enabled, firing every `minute` and `splash` milliseconds.
    TimerPool(int minuteMilliseconds, int splashMilliseconds, Handler handler,
              QObject* parent = nullptr);

    void setEnabled(Trigger trigger, bool enabled);
    bool enabled(Trigger trigger) const;

  private:
    void TimerPoolAllTriggers(Trigger fired);
    QTimer& timer(Trigger trigger);
    const QTimer& timer(Trigger trigger) const;

    QTimer minute_;
    QTimer splash_;
    Handler handler_;
};

}  // namespace kelvane
