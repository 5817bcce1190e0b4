#include "layout.h"

#include "game/setformat.h"

#include <cmath>

namespace makeset {
namespace {

float along(V3 v, int axis)
{
    return axis == 0 ? v.x : axis == 1 ? v.y : v.z;
}
V3 unit(int axis, float sign)
{
    return {axis == 0 ? sign : 0.0f, axis == 1 ? sign : 0.0f, axis == 2 ? sign : 0.0f};
}

Box turnedBox(const Mesh &mesh, const Layout &layout)
{
    Box box;
    for (const MeshVertex3 &v : mesh.vertices)
        box.add(layout.turned(v.p));
    return box;
}

// The scale, centre and place for the layout's axes.
void fit(Layout &layout, const std::vector<const Mesh *> &pieces, const Mesh &shape)
{
    Box all = turnedBox(shape, layout);
    float widest = 0;
    for (const Mesh *piece : pieces) {
        const Box box = turnedBox(*piece, layout);
        all.add(box);
        widest = std::max({widest, box.size().x, box.size().y});
    }
    const V3 extent = all.size();
    float scale = widest > 0 ? pieceAcross / widest : INFINITY;
    const auto limit = [&scale](float room, float size) {
        if (size > 0)
            scale = std::min(scale, room / size);
    };
    limit(setLength, extent.y);
    limit(setWidth, extent.x);
    limit(setHeight, extent.z);
    layout.scale = scale;
    layout.centre = all.centre();
    layout.place = {setFarX + extent.x * scale * 0.5f, setCentreY, setCentreZ};
}

Layout candidate(const Box &source, int up, int sign, int turn,
                 const std::vector<const Mesh *> &pieces, const Mesh &shape)
{
    const V3 size = source.size();
    const int a = (up + 1) % 3, b = (up + 2) % 3;
    const int length = along(size, a) >= along(size, b) ? a : b;
    Layout layout;
    layout.upAxis = up;
    layout.upSign = sign;
    layout.turn = turn;
    layout.axes[2] = unit(up, float(sign));
    const V3 across = unit(length, -1.0f); // the upper end to the trough's left
    const V3 side = cross(across, layout.axes[2]);
    const float c = std::cos(float(turn) * 3.14159265f / 180),
                s = std::sin(float(turn) * 3.14159265f / 180);
    layout.axes[0] = side * c + across * s;
    layout.axes[1] = across * c - side * s;
    fit(layout, pieces, shape);
    if (std::isfinite(layout.scale) && layout.scale > 0)
        layout.tolerance = std::min(
            largestTolerance, setformat::widestSeparatingTolerance(targetsOf(pieces, layout)));
    else
        layout.tolerance = 0;
    return layout;
}

} // namespace

QString Layout::describe() const
{
    QString text = QString("%1%2 up").arg(upSign < 0 ? "-" : "+").arg(QChar("xyz"[upAxis]));
    if (turn != 0)
        text += QString(", turned %1°").arg(turn);
    return text;
}

QList<QPointF> targetsOf(const std::vector<const Mesh *> &pieces, const Layout &layout)
{
    QList<QPointF> targets;
    for (const Mesh *piece : pieces) {
        const V3 c =
            (turnedBox(*piece, layout).centre() - layout.centre) * layout.scale + layout.place;
        targets.append({c.x, c.y});
    }
    return targets;
}

Layout layOut(const std::vector<const Mesh *> &pieces, const Mesh &shape, int upAxis, int upSign)
{
    Box source = shape.bounds();
    for (const Mesh *piece : pieces)
        source.add(piece->bounds());
    int usual = upAxis;
    if (usual < 0) {
        usual = 2; // the shortest side up; z first where sides tie
        for (int a = 1; a >= 0; --a)
            if (along(source.size(), a) < along(source.size(), usual))
                usual = a;
    }
    Layout best = candidate(source, usual, upSign, 0, pieces, shape);
    if (best.tolerance >= comfortableTolerance)
        return best;
    // Pieces over one another seen from above: another side up, or a turn,
    // may set them apart. The usual one wins ties.
    for (int up : {usual, (usual + 1) % 3, (usual + 2) % 3}) {
        if (upAxis >= 0 && up != upAxis)
            continue;
        for (int turn = 0; turn < 180; turn += turnStep) {
            const Layout other = candidate(source, up, upSign, turn, pieces, shape);
            if (other.tolerance > best.tolerance + 1e-9)
                best = other;
        }
    }
    return best;
}

} // namespace makeset
