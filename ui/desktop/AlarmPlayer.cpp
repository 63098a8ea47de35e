#include "AlarmPlayer.h"

#include <QApplication>
#include <filesystem>
#include <system_error>

#include "SoundPlayer.h"

namespace kelvane {
namespace {

constexpr std::size_t kLongestAlarmFile = 200;

}  // namespace

AlarmPlayer::AlarmPlayer(std::shared_ptr<SoundPlayer> player, Beep beep)
    : player_(std::move(player)), beep_(beep ? std::move(beep) : [] { QApplication::beep(); }) {}

void AlarmPlayer::playAlarmSound(bool on, const std::string& file, bool repeat) {
    if (!on) {
        player_->stop();
        return;
    }
    const std::string name = file.substr(0, kLongestAlarmFile);
    std::error_code error;
    if (!name.empty() && std::filesystem::is_regular_file(name, error)) {
        player_->play(name, repeat);
    } else {
        beep_();
    }
}

}  // namespace kelvane
