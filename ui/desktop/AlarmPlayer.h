#pragma once

#include <functional>
#include <memory>
#include <string>

namespace kelvane {

class SoundPlayer;

// The alarm that announces waiting mail: the sound file played once or over and over until
// stopped, or the system's beep when the file is missing. No sound device is never an error.
class AlarmPlayer {
  public:
    using Beep = std::function<void()>;
    explicit AlarmPlayer(std::shared_ptr<SoundPlayer> player, Beep beep = {});

    // Starts (on) or stops (off) the alarm. The file name is cut to its first 200 characters.
    void playAlarmSound(bool on, const std::string& file = {}, bool repeat = false);
    void stop() { playAlarmSound(false); }

  private:
    std::shared_ptr<SoundPlayer> player_;
    Beep beep_;
};

}  // namespace kelvane
