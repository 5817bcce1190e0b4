#include "viewfixture.h"

#include <QTest>

bool ViewGame::start(const QString &children, QSize viewSize, Difficulty difficulty)
{
    document.setContent(QStringLiteral("<set>%1</set>").arg(children));
    engine = std::make_unique<GameEngine>(&document);
    view = std::make_unique<SteppedView>(nullptr, engine.get());
    view->setDifficulty(difficulty);
    view->setFixedSize(viewSize);
    view->show();
    return QTest::qWaitForWindowExposed(view.get()) && view->isValid();
}

QImage ViewGame::frame(int clockMs)
{
    view->clockMs = clockMs;
    return view->grabFramebuffer();
}

void ViewGame::mouse(QEvent::Type type, QPointF at, Qt::MouseButton button)
{
    mouseAt(view.get(), type, at, button);
}

ScreenGame::ScreenGame(const QString &children, int difficulty, const QString &name)
{
    storeSetting("difficulty", difficulty);
    storeSetting("name", name);
    document.setContent(QStringLiteral("<set>%1</set>").arg(children));
    window.resize(1024, 768);
    screen = std::make_unique<SinglePlayerScreen>(&window, &document);
}

bool ScreenGame::show()
{
    window.show();
    screen->show();
    return QTest::qWaitForWindowExposed(&window) && screen->view->isValid();
}

namespace {

QRect boxWhere(QSize size, const std::function<bool(int, int)> &taken)
{
    QRect box;
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            if (taken(x, y))
                box |= QRect(x, y, 1, 1);
    return box;
}

} // namespace

QRect inkBox(const QImage &image, const std::function<bool(QRgb)> &ink)
{
    return boxWhere(image.size(), [&](int x, int y) { return ink(image.pixel(x, y)); });
}

bool pieceInk(QRgb colour)
{
    return qGreen(colour) > 50 && qRed(colour) < 30;
}

QRect changedBox(const QImage &a, const QImage &b)
{
    return boxWhere(a.size(), [&](int x, int y) { return a.pixel(x, y) != b.pixel(x, y); });
}
