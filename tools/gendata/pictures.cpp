#include "pictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>

namespace {

const QColor teal(18, 74, 82);
const QColor tealLight(44, 132, 140);
const QColor tealDark(6, 30, 36);
const QColor bone(236, 226, 196);
const QColor amber(244, 176, 82);

QImage blank(int w, int h)
{
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    return image;
}

QFont sans(int pixels, bool bold = true)
{
    QFont font("Sans");
    font.setPixelSize(pixels);
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

void plate(QPainter &p, QRectF r, bool down, qreal radius)
{
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    if (down) {
        g.setColorAt(0, QColor(120, 70, 24));
        g.setColorAt(0.5, QColor(190, 120, 44));
        g.setColorAt(1, QColor(236, 170, 76));
    } else {
        g.setColorAt(0, tealLight);
        g.setColorAt(0.55, teal);
        g.setColorAt(1, tealDark);
    }
    p.setPen(QPen(down ? amber : QColor(120, 190, 190), 2));
    p.setBrush(g);
    p.drawRoundedRect(r.adjusted(1, 1, -1, -1), radius, radius);
    // A soft highlight along the top edge.
    QLinearGradient shine(r.topLeft(), QPointF(r.left(), r.top() + r.height() * 0.5));
    shine.setColorAt(0, QColor(255, 255, 255, down ? 30 : 70));
    shine.setColorAt(1, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(shine);
    p.drawRoundedRect(r.adjusted(4, 3, -4, -r.height() * 0.5), radius * 0.7, radius * 0.7);
}

void label(QPainter &p, QRectF r, const QString &text, int pixels, QColor colour,
           bool shadow = true)
{
    p.setFont(sans(pixels));
    if (shadow) {
        p.setPen(QColor(0, 0, 0, 150));
        p.drawText(r.translated(1.5, 1.5), Qt::AlignCenter, text);
    }
    p.setPen(colour);
    p.drawText(r, Qt::AlignCenter, text);
}

QImage button(int w, int h, const QString &text, bool down, int pixels)
{
    QImage image = blank(w, h);
    QPainter p(&image);
    plate(p, QRectF(0, 0, w, h), down, h * 0.3);
    label(p, QRectF(0, down ? 2 : 0, w, h), text, pixels, down ? QColor(40, 20, 4) : bone, !down);
    return image;
}

QImage heading(int w, int h, const QString &text, int pixels)
{
    QImage image = blank(w, h);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    label(p, QRectF(0, 0, w, h - 6), text, pixels, bone);
    QLinearGradient line(0, 0, w, 0);
    line.setColorAt(0, QColor(44, 132, 140, 0));
    line.setColorAt(0.5, QColor(80, 190, 190, 255));
    line.setColorAt(1, QColor(44, 132, 140, 0));
    p.fillRect(QRectF(w * 0.1, h - 4, w * 0.8, 2), line);
    return image;
}

// Round music buttons; `symbol` draws in a 48 x 48 box.
QImage musicButton(bool down, void (*symbol)(QPainter &, QColor))
{
    QImage image = blank(48, 48);
    QPainter p(&image);
    plate(p, QRectF(0, 0, 48, 48), down, 24);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    if (down)
        p.translate(0, 1);
    symbol(p, down ? QColor(40, 20, 4) : bone);
    return image;
}

void playSymbol(QPainter &p, QColor c)
{
    p.setBrush(c);
    p.drawPolygon(QPolygonF({QPointF(18, 13), QPointF(35, 24), QPointF(18, 35)}));
}

void stopSymbol(QPainter &p, QColor c)
{
    p.setBrush(c);
    p.drawRoundedRect(QRectF(15, 15, 18, 18), 2, 2);
}

void nextSymbol(QPainter &p, QColor c)
{
    p.setBrush(c);
    p.drawPolygon(QPolygonF({QPointF(12, 15), QPointF(22, 24), QPointF(12, 33)}));
    p.drawPolygon(QPolygonF({QPointF(22, 15), QPointF(32, 24), QPointF(22, 33)}));
    p.drawRect(QRectF(32, 15, 4, 18));
}

void prevSymbol(QPainter &p, QColor c)
{
    p.setBrush(c);
    p.drawRect(QRectF(12, 15, 4, 18));
    p.drawPolygon(QPolygonF({QPointF(26, 15), QPointF(16, 24), QPointF(26, 33)}));
    p.drawPolygon(QPolygonF({QPointF(36, 15), QPointF(26, 24), QPointF(36, 33)}));
}

// The reset-view button: an arrow turning back round to where it began.
void resetSymbol(QPainter &p, QColor c)
{
    p.setPen(QPen(c, 3.5, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(13, 13, 22, 22), 120 * 16, 270 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPolygon(QPolygonF({QPointF(10, 13), QPointF(21, 12), QPointF(15, 22)}));
}

void helpSymbol(QPainter &p, QColor c)
{
    label(p, QRectF(0, 0, 48, 48), QStringLiteral("?"), 28, c, false);
}

// The how-to-play card's small pictures, 96 x 72: the trough with its
// piece, the body with a piece let go over it, the knobs and the slider.
QImage guidePicture(int which)
{
    QImage image = blank(96, 72);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(18, 74, 82, 200));
    p.drawRoundedRect(QRectF(0, 0, 96, 72), 10, 10);
    const QColor piece(200, 70, 60);
    const auto arrow = [&p](QPointF tip) { // a mouse pointer
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(Qt::white);
        p.drawPolygon(
            QPolygonF({tip, tip + QPointF(0, 17), tip + QPointF(4.5, 13), tip + QPointF(8, 20),
                       tip + QPointF(10.5, 19), tip + QPointF(7.5, 12), tip + QPointF(12.5, 12)}));
    };
    if (which == 0) {
        p.setBrush(QColor(150, 120, 70));
        p.drawRect(QRectF(8, 46, 80, 10));
        p.setBrush(piece);
        p.drawEllipse(QRectF(34, 30, 22, 16));
        p.setPen(QPen(bone, 2, Qt::DashLine));
        p.drawLine(QPointF(14, 24), QPointF(30, 24));
        p.drawLine(QPointF(60, 24), QPointF(80, 24));
        arrow(QPointF(45, 38));
    } else if (which == 1) {
        p.setBrush(QColor(255, 255, 255, 90));
        p.drawEllipse(QRectF(40, 6, 18, 18)); // head
        p.drawRoundedRect(QRectF(34, 24, 30, 40), 10, 10);
        p.setPen(QPen(amber, 2, Qt::DashLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(42, 34, 14, 14));
        p.setPen(Qt::NoPen);
        p.setBrush(piece);
        p.drawEllipse(QRectF(12, 10, 16, 12));
        p.setPen(QPen(bone, 2));
        p.drawLine(QPointF(26, 20), QPointF(40, 32));
        arrow(QPointF(48, 40));
    } else {
        for (const qreal x : {22.0, 52.0}) {
            p.setBrush(tealLight);
            p.drawEllipse(QPointF(x, 44), 13, 13);
            p.setPen(QPen(bone, 2.5, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(x, 44), QPointF(x, 34));
            p.setPen(Qt::NoPen);
        }
        p.setBrush(tealDark);
        p.drawRoundedRect(QRectF(78, 8, 8, 56), 4, 4);
        p.setBrush(bone);
        p.drawRoundedRect(QRectF(72, 26, 20, 10), 3, 3);
        label(p, QRectF(0, 6, 72, 18), QStringLiteral("\u21bb"), 18, bone, false);
    }
    return image;
}

QImage knob()
{
    const int s = 100;
    QImage image = blank(s, s);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    // Grip ring with notches, then the cap and its pointer.
    p.setPen(Qt::NoPen);
    QRadialGradient ring(QPointF(40, 36), 60);
    ring.setColorAt(0, QColor(120, 170, 172));
    ring.setColorAt(1, QColor(20, 50, 56));
    p.setBrush(ring);
    p.drawEllipse(QRectF(4, 4, s - 8, s - 8));
    p.setBrush(QColor(10, 30, 34));
    for (int i = 0; i < 24; ++i) {
        p.save();
        p.translate(s / 2.0, s / 2.0);
        p.rotate(i * 15.0);
        p.drawRect(QRectF(-1.5, -(s / 2.0 - 4), 3, 7));
        p.restore();
    }
    QRadialGradient cap(QPointF(40, 38), 44);
    cap.setColorAt(0, tealLight.lighter(130));
    cap.setColorAt(0.7, teal);
    cap.setColorAt(1, tealDark);
    p.setBrush(cap);
    p.setPen(QPen(QColor(0, 0, 0, 120), 1.5));
    p.drawEllipse(QRectF(16, 16, s - 32, s - 32));
    p.setPen(QPen(amber, 5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(s / 2.0, 22), QPointF(s / 2.0, 40));
    return image;
}

QImage logo(const QImage &heart)
{
    // Wide enough that the name stands clear of the heart beside it.
    QImage image = blank(300, 124);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    QLinearGradient g(0, 0, 0, 124);
    g.setColorAt(0, QColor(16, 60, 66));
    g.setColorAt(1, QColor(4, 20, 24));
    p.setBrush(g);
    p.setPen(QPen(QColor(80, 170, 170), 2));
    p.drawRoundedRect(QRectF(1, 1, 298, 122), 16, 16);
    p.drawImage(QRectF(6, 16, 92, 92), heart);
    label(p, QRectF(104, 20, 188, 46), "TORVANE", 30, bone);
    p.setFont(sans(14, false));
    p.setPen(QColor(150, 210, 206));
    p.drawText(QRectF(104, 66, 188, 44), Qt::AlignCenter, "3D anatomy\njigsaw");
    return image;
}

QImage loading(const QImage &skeleton)
{
    QImage image = blank(640, 400);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient g(QPointF(320, 170), 360);
    g.setColorAt(0, QColor(22, 84, 92));
    g.setColorAt(1, QColor(0, 0, 0));
    p.setBrush(g);
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(0, 0, 640, 400), 24, 24);
    p.drawImage(QPointF(40, 40), skeleton);
    label(p, QRectF(0, 276, 640, 64), "TORVANE", 54, bone);
    p.setFont(sans(20, false));
    p.setPen(QColor(150, 210, 206));
    p.drawText(QRectF(0, 336, 640, 40), Qt::AlignCenter,
               QString::fromUtf8("preparing the anatomy theatre \u2026"));
    return image;
}

// --- Tileable room textures --------------------------------------------

float lattice(int x, int y, int period, unsigned seed)
{
    x = ((x % period) + period) % period;
    y = ((y % period) + period) % period;
    unsigned h = unsigned(x) * 73856093u ^ unsigned(y) * 19349663u ^ seed * 83492791u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return float((h ^ (h >> 16)) & 0xFFFF) / 65535.0f;
}

// Value noise that repeats every `period` lattice cells.
float tileNoise(float x, float y, int period, unsigned seed)
{
    const int x0 = int(std::floor(x)), y0 = int(std::floor(y));
    const float fx = x - x0, fy = y - y0;
    const float u = fx * fx * (3 - 2 * fx), v = fy * fy * (3 - 2 * fy);
    const float a = lattice(x0, y0, period, seed), b = lattice(x0 + 1, y0, period, seed);
    const float c = lattice(x0, y0 + 1, period, seed), d = lattice(x0 + 1, y0 + 1, period, seed);
    return a + (b - a) * u + (c - a) * v + (a - b - c + d) * u * v;
}

float fractal(float x, float y, int period, unsigned seed, int octaves)
{
    float sum = 0, amp = 0.5f;
    for (int o = 0; o < octaves; ++o) {
        sum += amp * tileNoise(x, y, period, seed + o);
        x *= 2, y *= 2, period *= 2, amp *= 0.5f;
    }
    return sum;
}

QRgb mix(QColor a, QColor b, float t)
{
    t = std::clamp(t, 0.0f, 1.0f);
    return qRgb(int(a.red() + (b.red() - a.red()) * t),
                int(a.green() + (b.green() - a.green()) * t),
                int(a.blue() + (b.blue() - a.blue()) * t));
}

QImage marble()
{
    const int n = 256;
    QImage image(n, n, QImage::Format_RGB32);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const float fx = x / 64.0f, fy = y / 64.0f;
            const float turbulence = fractal(fx, fy, 4, 31, 5);
            // Veins follow a sine through the turbulence; both repeat at 256.
            const float vein =
                std::abs(std::sin((x + y) * 3.14159265f / 128.0f + turbulence * 9.0f));
            const float fine = fractal(fx * 2, fy * 2, 8, 57, 3);
            float t = std::pow(vein, 0.35f);
            // Dark stone: the ghost is drawn additively and would vanish on a pale floor.
            QRgb c = mix(QColor(20, 23, 28), QColor(92, 96, 102), t * 0.85f + fine * 0.25f);
            image.setPixel(x, y, c);
        }
    return image;
}

QImage bamboo()
{
    const int n = 256;
    QImage image(n, n, QImage::Format_RGB32);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            // Four stalks across, each with a node every 128 pixels.
            const int stalk = x / 64;
            const float across = (x % 64) / 63.0f;
            const float round = std::sin(across * 3.14159265f);
            const int nodeY = (y + stalk * 37) % 128;
            const float node = std::exp(-std::pow((nodeY - 64) / 3.0f, 2.0f));
            const float grain = fractal(x / 4.0f, y / 4.0f, 64, 71 + stalk, 3);
            QRgb c =
                mix(QColor(120, 96, 40), QColor(226, 200, 120), round * 0.9f + grain * 0.3f - 0.1f);
            if (node > 0.02f)
                c = mix(QColor(c), QColor(110, 84, 36), node * 0.8f);
            if (x % 64 == 0 || x % 64 == 63)
                c = qRgb(70, 52, 20);
            image.setPixel(x, y, c);
        }
    return image;
}

QImage carpet()
{
    const int n = 256;
    QImage image(n, n, QImage::Format_RGB32);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            // A woven ground with a border of diamonds repeating every 64.
            const float weave = ((x / 2 + y / 2) % 2) ? 0.08f : -0.08f;
            const float fibre = fractal(x / 4.0f, y / 4.0f, 64, 91, 2) - 0.5f;
            const int mx = x % 64 - 32, my = y % 64 - 32;
            const int diamond = std::abs(mx) + std::abs(my);
            // Cool blue-green ground: warm organs and pale bone stand out on it.
            QColor base(34, 96, 108);
            if (diamond < 8)
                base = QColor(214, 170, 78);
            else if (diamond >= 14 && diamond < 18)
                base = QColor(14, 44, 54);
            else if (diamond >= 26 && diamond < 28)
                base = QColor(214, 170, 78);
            const float k = 1.0f + weave + fibre * 0.35f;
            image.setPixel(x, y,
                           qRgb(std::clamp(int(base.red() * k), 0, 255),
                                std::clamp(int(base.green() * k), 0, 255),
                                std::clamp(int(base.blue() * k), 0, 255)));
        }
    return image;
}

} // namespace

PictureSet paintPictures(const QImage &heart, const QImage &skeleton)
{
    PictureSet out;
    auto pair = [&](const QString &base, int w, int h, const QString &text, int pixels) {
        out[base + "-up.png"] = button(w, h, text, false, pixels);
        out[base + "-down.png"] = button(w, h, text, true, pixels);
    };
    pair("singleplayer", 280, 72, "Single player", 28);
    pair("multiplayer", 280, 72, "Multi player", 28);
    pair("exit", 280, 72, "Exit", 28);
    pair("easy", 150, 45, "Easy", 22);
    pair("medium", 150, 45, "Medium", 22);
    pair("hard", 150, 45, "Hard", 22);
    pair("back", 150, 38, "Back", 20);
    pair("start", 150, 38, "Start", 20);
    pair("mainmenu", 150, 44, "Main menu", 20);
    // The class game's menus.
    pair("host", 280, 72, "Host a game", 28);
    pair("join", 280, 72, "Join a game", 28);
    pair("open", 150, 38, "Open", 20);
    pair("connect", 150, 38, "Join", 20);
    pair("end", 150, 38, "End game", 20);
    out["hostgame.png"] = heading(300, 46, "Host a game", 28);
    out["joingame.png"] = heading(300, 46, "Join a game", 28);
    out["difficulty.png"] = heading(300, 46, "Difficulty", 28);
    out["set.png"] = heading(300, 44, "Puzzle set", 26);
    {
        QImage name = blank(92, 40);
        QPainter p(&name);
        p.setRenderHint(QPainter::Antialiasing);
        label(p, QRectF(0, 0, 88, 34), "Name:", 24, bone);
        out["name.png"] = name;
    }
    out["play.png"] = musicButton(false, playSymbol);
    out["play-down.png"] = musicButton(true, playSymbol);
    out["stop.png"] = musicButton(false, stopSymbol);
    out["stop-down.png"] = musicButton(true, stopSymbol);
    out["next.png"] = musicButton(false, nextSymbol);
    out["next-down.png"] = musicButton(true, nextSymbol);
    out["prev.png"] = musicButton(false, prevSymbol);
    out["prev-down.png"] = musicButton(true, prevSymbol);
    for (const auto &[file, text] : {std::pair{QString("x-rot.png"), QString("Turn")},
                                     std::pair{QString("y-rot.png"), QString("Tilt")}}) {
        QImage image = blank(100, 28);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(18, 74, 82, 220));
        p.drawRoundedRect(QRectF(4, 2, 92, 24), 10, 10);
        label(p, QRectF(0, 0, 100, 28), text, 17, bone);
        out[file] = image;
    }
    out["rotation.png"] = knob();
    {
        QImage track = blank(40, 150);
        QPainter p(&track);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(80, 170, 170), 1.5));
        p.setBrush(QColor(6, 30, 36, 230));
        p.drawRoundedRect(QRectF(14, 4, 12, 142), 6, 6);
        p.setPen(QPen(bone, 2));
        for (int i = 0; i <= 8; ++i) {
            const qreal y = 14 + i * 15.25;
            const qreal half = i == 4 ? 12 : 6;
            p.drawLine(QPointF(20 - half - 8, y), QPointF(20 - 12, y));
            p.drawLine(QPointF(20 + 12, y), QPointF(20 + 12 + half - 2, y));
        }
        label(p, QRectF(0, 0, 40, 14), "+", 14, bone);
        label(p, QRectF(0, 136, 40, 14), QString::fromUtf8("\u2212"), 14, bone);
        out["mover-ground.png"] = track;
        QImage handle = blank(40, 24);
        QPainter h(&handle);
        plate(h, QRectF(0, 0, 40, 24), true, 8);
        h.setPen(QPen(QColor(60, 30, 6), 2));
        for (int i = -1; i <= 1; ++i)
            h.drawLine(QPointF(20 + i * 6, 7), QPointF(20 + i * 6, 17));
        out["slider.png"] = handle;
    }
    // The game screen's own buttons beside the knobs, and the how-to-play card.
    out["resetview-up.png"] = musicButton(false, resetSymbol);
    out["resetview-down.png"] = musicButton(true, resetSymbol);
    out["help-up.png"] = musicButton(false, helpSymbol);
    out["help-down.png"] = musicButton(true, helpSymbol);
    out["howto-take.png"] = guidePicture(0);
    out["howto-drop.png"] = guidePicture(1);
    out["howto-turn.png"] = guidePicture(2);
    out["logo.png"] = logo(heart);
    out["loading.png"] = loading(skeleton);
    return out;
}

PictureSet paintTextures()
{
    return {{"bambou.png", bamboo()}, {"carpet.png", carpet()}, {"marmor.png", marble()}};
}
