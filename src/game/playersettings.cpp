#include "game/playersettings.h"

namespace {

const QString nameKey = QStringLiteral("name");
const QString difficultyKey = QStringLiteral("difficulty");

} // namespace

PlayerSettings::PlayerSettings()
{
    settings.beginGroup(QStringLiteral("singleplayer"));
}

QString PlayerSettings::name() const
{
    return settings.value(nameKey).toString();
}

void PlayerSettings::setName(const QString &name)
{
    settings.setValue(nameKey, name);
}

int PlayerSettings::difficulty() const
{
    return settings.value(difficultyKey, 1).toInt();
}

void PlayerSettings::setDifficulty(int stored)
{
    settings.setValue(difficultyKey, stored);
}
