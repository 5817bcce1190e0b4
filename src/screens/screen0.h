#pragma once

#include <QPixmap>
#include <QWidget>

// The loading screen: "loading.png" on black, exactly as large as the picture.
class Screen0 : public QWidget
{
    Q_OBJECT

public:
    explicit Screen0(QWidget *parent);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPixmap picture;
};
