#include "SoundPlayer.h"

#include <QSoundEffect>
#include <QUrl>

namespace kelvane {

QtSoundPlayer::QtSoundPlayer() = default;
QtSoundPlayer::~QtSoundPlayer() = default;

void QtSoundPlayer::play(const std::string& file, bool loop) {
    if (!effect_) effect_ = std::make_unique<QSoundEffect>();
    effect_->stop();
    effect_->setSource(QUrl::fromLocalFile(QString::fromStdString(file)));
    effect_->setLoopCount(loop ? QSoundEffect::Infinite : 1);
    effect_->play();
}

void QtSoundPlayer::stop() {
    if (effect_) effect_->stop();
}

}  // namespace kelvane
