#pragma once

#include <memory>
#include <string>

class QSoundEffect;

namespace kelvane {

// Plays the alarm sound; tests put a recorder in its place.
class SoundPlayer {
  public:
    virtual ~SoundPlayer() = default;
    // Starts `file` from its beginning, over and over while `loop`, until stop().
    virtual void play(const std::string& file, bool loop) = 0;
    virtual void stop() = 0;
};

// Plays through Qt Multimedia. A machine without a sound device simply stays silent.
class QtSoundPlayer : public SoundPlayer {
  public:
    QtSoundPlayer();
    ~QtSoundPlayer() override;
    void play(const std::string& file, bool loop) override;
    void stop() override;

  private:
    // Made on first use, so that a window that never plays never opens the sound system.
    std::unique_ptr<QSoundEffect> effect_;
};

}  // namespace kelvane
