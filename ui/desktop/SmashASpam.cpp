#include "SmashASpam.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>

#include "SettingsKeys.h"
#include "SettingsStore.h"

namespace kelvane {

SmashASpamRound::SmashASpamRound(unsigned seed) : random_(seed) {}

void SmashASpamRound::Start() {
    score_ = 0;
    stepsLeft_ = kSteps;
    spamSpot_ = -1;
}

bool SmashASpamRound::Step() {
    if (stepsLeft_ <= 0) return false;
    if (--stepsLeft_ == 0) {
        spamSpot_ = -1;
        return false;
    }
    // Always somewhere else, so that every step is a new target.
    std::uniform_int_distribution<int> pick(0, kSpots - 2);
    const int next = pick(random_);
    spamSpot_ = (spamSpot_ >= 0 && next >= spamSpot_) ? next + 1 : next;
    return true;
}

bool SmashASpamRound::Smash(int spot) {
    if (!Running() || spot != spamSpot_ || spot < 0) return false;
    ++score_;
    spamSpot_ = -1;
    return true;
}

SmashASpam::SmashASpam(SettingsStore* store, QWidget* parent, unsigned seed, int stepMilliseconds)
    : QWidget(parent), store_(store), round_(seed != 0 ? seed : std::random_device{}()) {
    setObjectName(QStringLiteral("SmashASpam"));
    if (store_ != nullptr) {
        best_ = static_cast<int>(
            std::clamp<long long>(store_->ReadInteger(settingkeys::Points), 0, 1000000));
    }
    auto* layout = new QVBoxLayout(this);
    auto* hint = new QLabel(tr("Smash the junk letters before they get away!"), this);
    layout->addWidget(hint);
    auto* field = new QGridLayout;
    for (int spot = 0; spot < SmashASpamRound::kSpots; ++spot) {
        auto* button = new QPushButton(this);
        button->setObjectName(QStringLiteral("btSpot%1").arg(spot));
        button->setMinimumSize(72, 48);
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, [this, spot] { smash(spot); });
        field->addWidget(button, spot / 3, spot % 3);
        spots_.push_back(button);
    }
    layout->addLayout(field);
    score_ = new QLabel(this);
    score_->setObjectName(QStringLiteral("lblScore"));
    bestLabel_ = new QLabel(this);
    bestLabel_->setObjectName(QStringLiteral("lblBest"));
    start_ = new QPushButton(tr("Start"), this);
    start_->setObjectName(QStringLiteral("btSmashStart"));
    start_->setAutoDefault(false);
    connect(start_, &QPushButton::clicked, this, &SmashASpam::start);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(score_);
    bottom->addWidget(bestLabel_);
    bottom->addStretch(1);
    bottom->addWidget(start_);
    layout->addLayout(bottom);
    timer_ = new QTimer(this);
    timer_->setInterval(stepMilliseconds);
    connect(timer_, &QTimer::timeout, this, &SmashASpam::step);
    showSpots();
    showScore();
}

void SmashASpam::start() {
    round_.Start();
    round_.Step();
    start_->setEnabled(false);
    timer_->start();
    showSpots();
    showScore();
}

void SmashASpam::step() {
    if (!round_.Step()) endRound();
    showSpots();
}

void SmashASpam::smash(int spot) {
    if (round_.Smash(spot)) {
        showSpots();
        showScore();
    }
}

void SmashASpam::endRound() {
    timer_->stop();
    start_->setEnabled(true);
    if (round_.Score() > best_) {
        best_ = round_.Score();
        try {
            if (store_ != nullptr) {
                store_->Write(
                    [&](SettingsWriter& w) { w.WriteInteger(settingkeys::Points, best_); });
            }
        } catch (const std::exception&) {
            // A score that cannot be kept is not worth a message box.
        }
    }
    showScore();
}

void SmashASpam::showSpots() {
    for (int spot = 0; spot < SmashASpamRound::kSpots; ++spot) {
        spots_[spot]->setText(spot == round_.SpamSpot() ? QStringLiteral("\u2709 SPAM")
                                                        : QString());
    }
}

void SmashASpam::showScore() {
    score_->setText(tr("Score: %1").arg(round_.Score()));
    bestLabel_->setText(tr("Best: %1").arg(best_));
}

}  // namespace kelvane
