#include "net/protocol.h"

#include <QIODevice>
#include <QJsonDocument>
#include <QRandomGenerator>

namespace protocol {

QByteArray encode(const QJsonObject &message)
{
    return QJsonDocument(message).toJson(QJsonDocument::Compact) + '\n';
}

std::optional<QJsonObject> decode(const QByteArray &line)
{
    QJsonParseError parsed;
    const QJsonDocument document = QJsonDocument::fromJson(line, &parsed);
    if (parsed.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    if (!object.value(QLatin1String("type")).isString())
        return std::nullopt;
    return object;
}

QJsonObject error(const QString &reason, const QString &message)
{
    return {{"type", "error"}, {"reason", reason}, {"message", message}};
}

QString validName(const QString &name)
{
    const QString trimmed = name.trimmed();
    const QList<uint> characters = trimmed.toUcs4();
    if (characters.isEmpty() || characters.size() > maxNameLength)
        return QString();
    for (uint c : characters) {
        switch (QChar::category(char32_t(c))) {
        case QChar::Other_Control:
        case QChar::Other_Format:
        case QChar::Other_Surrogate:
        case QChar::Other_NotAssigned:
        case QChar::Separator_Line:
        case QChar::Separator_Paragraph:
            return QString();
        default:
            break;
        }
    }
    return trimmed;
}

bool validCode(const QString &code)
{
    if (code.size() != codeDigits)
        return false;
    for (QChar c : code)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

QString randomCode()
{
    return QStringLiteral("%1").arg(QRandomGenerator::global()->bounded(10000), codeDigits, 10,
                                    QLatin1Char('0'));
}

quint16 portSetting(const QVariant &stored, quint16 fallback)
{
    bool ok = false;
    const uint port = stored.toString().toUInt(&ok);
    return ok && port <= 65535 ? quint16(port) : fallback;
}

std::optional<int> intField(const QJsonObject &message, const char *key, int low, int high)
{
    const QJsonValue value = message.value(QLatin1String(key));
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    if (number != double(qint64(number)) || number < low || number > high)
        return std::nullopt;
    return int(number);
}

} // namespace protocol

LineReader::Result LineReader::next(QIODevice &device, QByteArray *line)
{
    for (;;) {
        const qsizetype end = buffer.indexOf('\n');
        if (end >= 0) {
            *line = buffer.left(end);
            buffer.remove(0, end + 1);
            if (line->endsWith('\r'))
                line->chop(1);
            return Line;
        }
        if (buffer.size() >= limit)
            return TooLong;
        // Never more than the limit: a line that does not end in time is
        // refused without being read whole.
        const QByteArray more = device.read(limit - buffer.size());
        if (more.isEmpty())
            return NeedMore;
        buffer += more;
    }
}
