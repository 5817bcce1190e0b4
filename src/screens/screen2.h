#pragma once

#include <QPixmap>
#include <QString>
#include <QWidget>

#include "game/playersettings.h"

class PixButton;
class QDomDocument;
class SetChooser;
class StudyPanel;

// The single-player set-up screen: the player's name (typed while the screen
// holds the keyboard grab), the difficulty and the puzzle set. Name and
// difficulty are written to the player's settings at every change; the game
// screen reads them from there.
class Screen2 : public QWidget
{
    Q_OBJECT

public:
    // Needs the global sound manager: applying the stored difficulty clicks.
    // Hidden on return.
    explicit Screen2(QWidget *parent);

    // The chosen set's document, owned by the chooser; null without sets.
    QDomDocument *selectedSet() const;

    QString name;
    PixButton *easyButton = nullptr;
    PixButton *mediumButton = nullptr;
    PixButton *hardButton = nullptr;
    PixButton *backButton = nullptr;
    PixButton *startButton = nullptr;
    SetChooser *chooser = nullptr;
    StudyPanel *study = nullptr; // child: the record's line and the study choices
    int difficulty = 1;          // 1 easy, 2 medium, 3 hard

signals:
    void startGame();
    void goBack();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    // Tab and Shift+Tab are typed into the name like any other key, never
    // used to move the focus; hidden, the screen takes no key at all.
    bool event(QEvent *event) override;

private slots:
    void easySelected();
    void mediumSelected();
    void hardSelected();
    void startSelected();
    void backSelected();

private:
    void select(int level);

    PlayerSettings settings;
    QPixmap difficultyPicture;
    QPixmap namePicture;
    QPixmap setPicture;
};
