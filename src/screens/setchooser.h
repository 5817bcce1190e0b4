#pragma once

#include <QList>
#include <QPixmap>
#include <QString>
#include <QWidget>

class QDomDocument;

// The row of puzzle-set icons on the set-up screen. Every readable,
// well-formed "sets/*.xml" is parsed once, at construction, in
// case-insensitive name order; a press picks the set under the mouse.
// The chooser owns the parsed documents: they outlive every game built
// from them and are deleted with the chooser.
class SetChooser : public QWidget
{
    Q_OBJECT

public:
    explicit SetChooser(QWidget *parent);
    ~SetChooser() override;

    SetChooser(const SetChooser &) = delete;
    SetChooser &operator=(const SetChooser &) = delete;

    // The chosen set's document; null when no set was found.
    QDomDocument *currentDocument() const;

    struct SetEntry
    {
        QDomDocument *document = nullptr; // owned by the chooser
        QString id; // the file's base name: "heart" for "sets/heart.xml"
        QString name;
        QPixmap icon;
    };

    QList<SetEntry> entries;
    int selected = 0;
    int maxIconHeight = 0;
    // Icon widths plus a 10-pixel gap between neighbours.
    int rowWidth = 0;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
};
