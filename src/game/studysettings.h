#pragma once

// How the player studies, kept between runs beside the player's name and
// difficulty but in a group of its own, "study": "names" ("english",
// "latin" or "both"; anything else reads as English) and "weakestFirst"
// (true: the trough brings the pieces the player knows least first).

#include <QSettings>

#include "game/piecenames.h"

class StudySettings
{
public:
    NameLanguage language() const;
    void setLanguage(NameLanguage language);
    bool weakestFirst() const;
    void setWeakestFirst(bool on);

    // "English", "Latin", "Both": as the set-up screen shows the choice.
    static QString languageLabel(NameLanguage language);

private:
    QSettings settings;
};
