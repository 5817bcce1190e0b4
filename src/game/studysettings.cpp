#include "game/studysettings.h"

namespace {

const char *const words[] = {"english", "latin", "both"};

} // namespace

NameLanguage StudySettings::language() const
{
    const QString stored = settings.value(QStringLiteral("study/names")).toString();
    for (int i = 0; i < 3; ++i)
        if (stored == QLatin1String(words[i]))
            return NameLanguage(i);
    return NameLanguage::English;
}

void StudySettings::setLanguage(NameLanguage language)
{
    settings.setValue(QStringLiteral("study/names"), QLatin1String(words[int(language)]));
}

bool StudySettings::weakestFirst() const
{
    return settings.value(QStringLiteral("study/weakestFirst"), false).toBool();
}

void StudySettings::setWeakestFirst(bool on)
{
    settings.setValue(QStringLiteral("study/weakestFirst"), on);
}

QString StudySettings::languageLabel(NameLanguage language)
{
    switch (language) {
    case NameLanguage::Latin:
        return QStringLiteral("Latin");
    case NameLanguage::Both:
        return QStringLiteral("Both");
    case NameLanguage::English:
        break;
    }
    return QStringLiteral("English");
}
