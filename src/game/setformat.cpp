#include "game/setformat.h"

#include "game/datapaths.h"

#include <QDomDocument>
#include <QDomElement>
#include <QStringList>

#include <charconv>
#include <cmath>
#include <limits>

namespace setformat {
namespace {

// Characters XML 1.0 cannot hold would make the whole file unreadable.
QString xmlText(const QString &text)
{
    QString clean;
    clean.reserve(text.size());
    for (const QChar c : text)
        if (c.unicode() >= 0x20 || c == u'\t' || c == u'\n' || c == u'\r')
            clean += c;
    return clean.toHtmlEscaped();
}

void writePiece(QString &out, const char *tag, const Piece &piece)
{
    const auto key = [&out](const char *name, const QString &value) {
        out += QStringLiteral("    <%1>%2</%1>\n").arg(QLatin1String(name), value);
    };
    out += QStringLiteral("  <%1>\n").arg(QLatin1String(tag));
    if (!piece.name.isEmpty())
        key("name", xmlText(piece.name));
    if (!piece.latinName.isEmpty())
        key("name_la", xmlText(piece.latinName));
    if (!piece.filename.isEmpty())
        key("filename", xmlText(piece.filename));
    const PieceRecord::Pose &p = piece.pose;
    key("pos_x", formatNumber(p.posX));
    key("pos_y", formatNumber(p.posY));
    key("pos_z", formatNumber(p.posZ));
    const struct
    {
        const char *name;
        float value, unset;
    } optional[] = {
        {"rot_x", p.rotX, 0}, {"rot_y", p.rotY, 0}, {"rot_z", p.rotZ, 0}, {"scale", p.scale, 1}};
    for (const auto &o : optional)
        if (o.value != o.unset)
            key(o.name, formatNumber(o.value));
    out += QStringLiteral("  </%1>\n").arg(QLatin1String(tag));
}

Piece pieceOf(const QDomNode &node)
{
    const PieceRecord record(node);
    Piece piece;
    // The record keeps the path the game loads; the file names it relative to sets/.
    if (!record.fileName.isEmpty())
        piece.filename = record.fileName.mid(int(sizeof datapath::setPrefix) - 1);
    piece.name = record.name;
    piece.latinName = record.latinName;
    piece.pose = record.pose;
    return piece;
}

} // namespace

float readNumber(const QString &text)
{
    // Qt also accepts "nan" and "inf" and overflows to infinity; a piece
    // placed at infinity could never fit, so those read as 0 too.
    bool ok = false;
    const float value = text.toFloat(&ok);
    return ok && std::isfinite(value) ? value : 0.0f;
}

double readTolerance(const QString &text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok && std::isfinite(value) && value > 0 ? value : defaultTolerance;
}

QString readDirection(const QString &text)
{
    const QString direction = text.trimmed();
    static const QStringList axes = {"+x", "-x", "+y", "-y", "+z", "-z"};
    return axes.contains(direction) ? direction : QString();
}

QString formatNumber(float value)
{
    if (!std::isfinite(value))
        return QStringLiteral("0"); // the game would read it as 0
    // The shortest fixed notation that reads back as the same float: at most
    // 39 digits before the point and 45 after it.
    char text[100];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
    return QString::fromLatin1(text, result.ptr - text);
}

SetFile readSet(const QDomDocument &document)
{
    SetFile set;
    set.tolerance = defaultTolerance;
    const QDomElement root = document.documentElement();
    for (QDomNode node = root.firstChild(); !node.isNull(); node = node.nextSibling()) {
        if (!node.isElement())
            continue;
        const QDomElement element = node.toElement();
        const QString tag = element.tagName();
        if (tag == QLatin1String("name"))
            set.name = element.text();
        else if (tag == QLatin1String("icon"))
            set.icon = element.text();
        else if (tag == QLatin1String(tolerance))
            set.tolerance = readTolerance(element.text());
        else if (tag == QLatin1String(maker))
            set.maker = element.text().trimmed();
        else if (tag == QLatin1String(towardsHead))
            set.towardsHead = readDirection(element.text());
        else if (tag == QLatin1String(towardsLeft))
            set.towardsLeft = readDirection(element.text());
        else if (tag == QLatin1String("part"))
            set.parts.append(pieceOf(node));
        else if (tag == QLatin1String("shape"))
            set.hasShape = true, set.shape = pieceOf(node);
    }
    // Head and left along one axis cannot both be right: trust neither.
    if (!set.towardsHead.isEmpty() && !set.towardsLeft.isEmpty()
        && set.towardsHead.back() == set.towardsLeft.back())
        set.towardsHead.clear(), set.towardsLeft.clear();
    return set;
}

QByteArray writeSet(const SetFile &set)
{
    QString out = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
    if (!set.comment.isEmpty()) {
        QString comment = set.comment;
        comment.replace(QLatin1String("--"), QLatin1String("- -")); // a comment cannot hold "--"
        out += QStringLiteral("<!-- %1 -->\n").arg(comment);
    }
    out += QStringLiteral("<set>\n  <name>%1</name>\n").arg(xmlText(set.name));
    if (!set.icon.isEmpty())
        out += QStringLiteral("  <icon>%1</icon>\n").arg(xmlText(set.icon));
    if (set.tolerance != 0)
        out += QStringLiteral("  <%1>%2</%1>\n")
                   .arg(QLatin1String(tolerance), formatNumber(float(set.tolerance)));
    if (!set.maker.isEmpty())
        out += QStringLiteral("  <%1>%2</%1>\n").arg(QLatin1String(maker), xmlText(set.maker));
    if (!set.towardsHead.isEmpty())
        out += QStringLiteral("  <%1>%2</%1>\n")
                   .arg(QLatin1String(towardsHead), xmlText(set.towardsHead));
    if (!set.towardsLeft.isEmpty())
        out += QStringLiteral("  <%1>%2</%1>\n")
                   .arg(QLatin1String(towardsLeft), xmlText(set.towardsLeft));
    if (set.hasShape)
        writePiece(out, "shape", set.shape);
    for (const Piece &part : set.parts)
        writePiece(out, "part", part);
    out += QStringLiteral("</set>\n");
    return out.toUtf8();
}

QList<QPair<int, int>> pairsOneDropFits(const QList<QPointF> &targets, double tolerance)
{
    // Two open boxes of half-width t overlap when their centres are less
    // than 2t apart on both axes; any point of the overlap fits both.
    QList<QPair<int, int>> pairs;
    for (int i = 0; i < targets.size(); ++i)
        for (int j = i + 1; j < targets.size(); ++j)
            if (std::abs(targets[i].x() - targets[j].x()) < 2 * tolerance
                && std::abs(targets[i].y() - targets[j].y()) < 2 * tolerance)
                pairs.append({i, j});
    return pairs;
}

double widestSeparatingTolerance(const QList<QPointF> &targets)
{
    double widest = std::numeric_limits<double>::infinity();
    for (int i = 0; i < targets.size(); ++i)
        for (int j = i + 1; j < targets.size(); ++j)
            widest = std::min(widest, std::max(std::abs(targets[i].x() - targets[j].x()),
                                               std::abs(targets[i].y() - targets[j].y()))
                                          / 2);
    return widest;
}

} // namespace setformat
