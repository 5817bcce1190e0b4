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

bool readXmlFile(const QString &path, QDomDocument &document)
{
    if (!QFileInfo(path).isFile())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    file.close();
    if (nestsTooDeep(bytes))
        return false;
    return bool(document.setContent(bytes));
}
