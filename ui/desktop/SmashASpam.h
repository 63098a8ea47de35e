#pragma once

#include <QWidget>
#include <random>
#include <vector>

class QLabel;
class QPushButton;
class QTimer;

namespace kelvane {

class SettingsStore;

// One round of "Smash a spam": a junk letter pops up on one spot after another, and every
// letter smashed before it moves on scores a point.
class SmashASpamRound {
  public:
    static constexpr int kSpots = 9;
    static constexpr int kSteps = 40;

    explicit SmashASpamRound(unsigned seed = std::random_device{}());

    void Start();
    bool Running() const { return stepsLeft_ > 0; }
    // Moves the letter to another spot; at the end of the round it goes. False once over.
    bool Step();
    // The spot showing the letter; -1 when none does.
    int SpamSpot() const { return spamSpot_; }
    // True, and a point, when `spot` shows the letter.
    bool Smash(int spot);
    int Score() const { return score_; }

  private:
    std::mt19937 random_;
    int spamSpot_ = -1;
    int stepsLeft_ = 0;
    int score_ = 0;
};

// The game's page of the about box. The best score is kept in the settings (General/Points)
// when a store is given.
class SmashASpam : public QWidget {
    Q_OBJECT

  public:
    explicit SmashASpam(SettingsStore* store, QWidget* parent = nullptr, unsigned seed = 0,
                        int stepMilliseconds = 750);

    const SmashASpamRound& round() const { return round_; }
    int best() const { return best_; }
    void start();

  private:
    void step();
    void smash(int spot);
    void showSpots();
    void showScore();
    void endRound();

    SettingsStore* store_;
    SmashASpamRound round_;
    int best_ = 0;
    std::vector<QPushButton*> spots_;
    QPushButton* start_ = nullptr;
    QLabel* score_ = nullptr;
    QLabel* bestLabel_ = nullptr;
    QTimer* timer_ = nullptr;
};

}  // namespace kelvane
