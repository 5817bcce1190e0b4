#pragma once

#include <QList>
#include <QPixmap>
#include <QString>
#include <QWidget>

class QDomDocument;

// The row of puzzle-set icons on the set-up screen. Every readable,
// well-formed "sets/*.xml" is parsed once, at construction, in
// case-insensitive name order; a press picks the set under the mouse.
// A row too long for the part of the band that shows scrolls: the chosen
// icon always stands whole between two end marks, each drawn while sets
// lie hidden its way; a press on a mark or a turn of the wheel moves the
// choice one set.
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
    // Chooses the set at index, held to the first and the last, and
    // scrolls it into view.
    void choose(int index);

    struct SetEntry
    {
        QDomDocument *document = nullptr; // owned by the chooser
        QString id;                       // the file's base name: "heart" for "sets/heart.xml"
        QString name;
        QPixmap icon;
    };

    QList<SetEntry> entries;
    int selected = 0;
    int maxIconHeight = 0;
    // Icon widths plus a 10-pixel gap between neighbours.
    int rowWidth = 0;

    // Width of the strip at each end of a scrolling row that holds its mark.
    static constexpr int markWidth = 30;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    // The band is 800 wide, but its parent may show less of it.
    int shownWidth() const;
    // True while the row stands centred in what shows, as it always has.
    bool rowFits() const;
    // Where the first icon starts, scrolled or centred.
    int rowLeft() const;
    // How far a scrolling row can move: the icons as drawn, less what shows.
    int maxScroll() const;

    int scroll = 0;     // pixels of a scrolling row hidden left of the left mark
    int wheelAngle = 0; // turned but not yet a whole notch
};
