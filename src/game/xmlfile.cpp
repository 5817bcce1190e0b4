#include "game/xmlfile.h"

#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QXmlStreamReader>

bool nestsTooDeep(QByteArrayView bytes)
{
    QXmlStreamReader reader(bytes.toByteArray());
    int depth = 0;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement:
            if (++depth > xmlfile::maxDepth)
                return true;
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            break;
        default:
            break;
        }
    }
    return false;
}

bool readXmlFile(const QString &path, QDomDocument &document, QString *why)
{
    const auto refuse = [why](const QString &reason) {
        if (why)
            *why = reason;
        return false;
    };
    if (!QFileInfo(path).isFile())
        return refuse(QStringLiteral("not a file"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return refuse(QStringLiteral("cannot be read"));
    const QByteArray bytes = file.readAll();
    file.close();
    if (nestsTooDeep(bytes))
        return refuse(QStringLiteral("nested more than %1 levels deep").arg(xmlfile::maxDepth));
    QString message;
    int line = 0;
    if (!document.setContent(bytes, &message, &line))
        return refuse(QStringLiteral("not well-formed XML (line %1: %2)").arg(line).arg(message));
    return true;
}
