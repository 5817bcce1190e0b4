#pragma once

// What the game keeps of the player between runs: the name typed on the
// set-up screen and the difficulty chosen there, in the platform's settings
// store under the group "singleplayer", keys "name" and "difficulty". Every
// object reads and writes the same store; a value written through one is
// seen by all the others at once.

#include <QSettings>
#include <QString>

class PlayerSettings
{
public:
    PlayerSettings();

    // Empty when none was stored.
    QString name() const;
    void setName(const QString &name);
    // The stored number as it stands (see game/difficulty.h for what it
    // means where): 1 when none was stored, 0 when it is not a number.
    int difficulty() const;
    void setDifficulty(int stored);

private:
    QSettings settings;
};
