#pragma once

// The set-up screen's study choices and what the record says of the chosen
// set: under the set's name the player's best time at the chosen difficulty
// and how many of its pieces they have mastered; between Back and Start the
// language of the names (English, Latin, both) and "weakest first". The
// choices are kept in StudySettings.

#include <QStringList>
#include <QTimer>
#include <QWidget>

class QLabel;
class QPushButton;
class Screen2;

class StudyPanel : public QObject
{
    Q_OBJECT

public:
    // Places its widgets on the screen, which owns them.
    explicit StudyPanel(Screen2 *screen);

    // "Best on Hard: 03:07 · 4 of 12 mastered"; "No win on Hard yet · ..."
    static QString recordText(const QString &level, int bestMs, int mastered, int pieces);
    // Reads the record for the chosen set, difficulty and name anew.
    void refresh();

    QLabel *recordLine = nullptr;
    QPushButton *languageButton = nullptr;
    QPushButton *weakestButton = nullptr;

private:
    void showChoices();

    Screen2 *screen;
    QTimer poll;
    const void *keysOf = nullptr; // the document pieceKeys was read from
    QStringList pieceKeys;
};
