#pragma once

#include <QAbstractButton>
#include <QPixmap>

// Spring-loaded vertical slider: dragging moves the handle up or down its
// track, releasing lets it spring back to the middle. It never becomes down
// and never emits clicked(); every change is reported by moved().
class MoveButton : public QAbstractButton
{
    Q_OBJECT

public:
    MoveButton(const QString &groundFile, const QString &handleFile, int x, int y, QWidget *parent);

    // Deflection from the rest position, -50 (bottom) to +50 (top).
    int offset() const { return value - 50; }

signals:
    void moved();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QPixmap groundPixmap;
    QPixmap handlePixmap;
    int value = 50; // 0 bottom, 50 rest, 100 top
    int lastY = 0;
};
