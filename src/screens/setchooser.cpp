#include "screens/setchooser.h"

#include "audio/soundmanager.h"
#include "game/datapaths.h"
#include "game/xmlfile.h"

#include <QDir>
#include <QDomDocument>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

SetChooser::SetChooser(QWidget *parent)
    : QWidget(parent)
{
    // Files only: a directory that happens to be called "x.xml" is no set.
    const QStringList files = QDir(QLatin1String(datapath::sets))
                                  .entryList({QLatin1String(datapath::setFilter)}, QDir::Files,
                                             QDir::Name | QDir::IgnoreCase);
    for (const QString &fileName : files) {
        auto *document = new QDomDocument(QStringLiteral("set"));
        if (!readXmlFile(QLatin1String(datapath::setPrefix) + fileName, *document)) {
            delete document;
            continue;
        }

        SetEntry entry;
        entry.document = document;
        entry.id = fileName.chopped(4);
        for (QDomNode node = document->documentElement().firstChild(); !node.isNull();
             node = node.nextSibling()) {
            if (!node.isElement())
                continue;
            const QDomElement element = node.toElement();
            if (element.tagName() == QLatin1String("name")) {
                entry.name = element.text();
            } else if (element.tagName() == QLatin1String("icon")) {
                // Every icon counts toward the row, though only the last is shown.
                entry.icon = QPixmap(QLatin1String(datapath::setPrefix) + element.text());
                maxIconHeight = qMax(maxIconHeight, entry.icon.height());
                rowWidth += entry.icon.width();
            }
        }
        entries.append(entry);
    }
    rowWidth += int(entries.size()) * 10 - 10;
    setGeometry(0, 0, 800, maxIconHeight + 45);
}

SetChooser::~SetChooser()
{
    for (const SetEntry &entry : std::as_const(entries))
        delete entry.document;
}

QDomDocument *SetChooser::currentDocument() const
{
    if (selected < 0 || selected >= entries.size())
        return nullptr;
    return entries.at(selected).document;
}

void SetChooser::choose(int index)
{
    if (entries.isEmpty())
        return;
    selected = qBound(0, index, int(entries.size()) - 1);
    if (!rowFits()) {
        int start = 0;
        for (int i = 0; i < selected; ++i)
            start += entries.at(i).icon.width() + 10;
        const int end = start + entries.at(selected).icon.width();
        // The least move that shows the icon whole, its left edge first.
        scroll = qMin(start, qMax(scroll, end - (shownWidth() - 2 * markWidth)));
        scroll = qBound(0, scroll, maxScroll());
    }
    update();
}

int SetChooser::shownWidth() const
{
    // The set-up screen stands the band at x 10: its last 10 pixels never show.
    const QWidget *parent = parentWidget();
    return parent ? qBound(0, parent->width() - x(), width()) : width();
}

bool SetChooser::rowFits() const
{
    const int left = 400 - rowWidth / 2;
    return left >= 0 && left + rowWidth <= shownWidth();
}

int SetChooser::rowLeft() const
{
    return rowFits() ? 400 - rowWidth / 2 : markWidth - scroll;
}

int SetChooser::maxScroll() const
{
    // Only the icons shown take room here; rowWidth counts every icon a set names.
    int drawn = -10;
    for (const SetEntry &entry : entries)
        drawn += entry.icon.width() + 10;
    return qMax(0, drawn - (shownWidth() - 2 * markWidth));
}

void SetChooser::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0, 0, 0, 255));

    const bool fits = rowFits();
    const int right = shownWidth() - markWidth;
    if (!fits)
        painter.setClipRect(markWidth, 0, right - markWidth, height());
    int left = rowLeft();
    for (int i = 0; i < entries.size(); ++i) {
        const QPixmap &icon = entries.at(i).icon;
        painter.drawPixmap(left, 0, icon);
        if (i != selected)
            painter.fillRect(left, 0, icon.width(), icon.height(), QColor(0, 0, 0, 100));
        left += icon.width() + 10;
    }
    if (!fits) {
        // A white arrowhead in the middle of each end strip, pointing where
        // more sets lie hidden.
        painter.setClipping(false);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(255, 255, 255, 255));
        const int half = qBound(6, maxIconHeight / 6, 16), middle = maxIconHeight / 2;
        const auto arrow = [&](int centre, int towards) { // -1 left, 1 right
            const int tip = centre + towards * half / 2, back = centre - towards * half / 2;
            painter.drawPolygon(QPolygon(
                {QPoint(tip, middle), QPoint(back, middle - half), QPoint(back, middle + half)}));
        };
        if (scroll > 0)
            arrow(markWidth / 2, -1);
        if (scroll < maxScroll())
            arrow(right + markWidth / 2, 1);
    }

    if (selected < 0 || selected >= entries.size())
        return;
    painter.setPen(QColor(255, 255, 255, 255));
    painter.setFont(QFont(QStringLiteral("Sans"), 20, QFont::Bold, false));
    // The line is as wide as the chooser's right edge in its parent, so the
    // name centres on the set-up screen rather than on the chooser.
    painter.drawText(QRect(10, maxIconHeight + 10, x() + width(), 30), Qt::AlignCenter,
                     entries.at(selected).name);
}

void SetChooser::mousePressEvent(QMouseEvent *event)
{
    // Only x decides: a press left of the row picks the first set, one in the
    // gap after an icon the next, one right of the row nothing. An end mark
    // moves the choice one set its way.
    const int x = event->position().toPoint().x();
    const bool scrolls = !rowFits();
    if (scrolls && x < markWidth && scroll > 0) {
        choose(selected - 1);
    } else if (scrolls && x >= shownWidth() - markWidth && scroll < maxScroll()) {
        choose(selected + 1);
    } else {
        int left = rowLeft();
        for (int i = 0; i < entries.size(); ++i) {
            const int iconWidth = entries.at(i).icon.width();
            if (x < left + iconWidth) {
                choose(i);
                break;
            }
            left += iconWidth + 10;
        }
    }
    if (soundManager)
        soundManager->playEffect(QStringLiteral("click"));
    update();
}

void SetChooser::wheelEvent(QWheelEvent *event)
{
    // A notch away from the player (or to the left) goes back one set, a
    // notch towards them on; the choice scrolls into view as it moves.
    const QPoint delta = event->angleDelta();
    wheelAngle += delta.y() != 0 ? delta.y() : delta.x();
    const int notches = wheelAngle / 120;
    wheelAngle -= notches * 120;
    const int before = selected;
    choose(selected - notches);
    if (selected != before && soundManager)
        soundManager->playEffect(QStringLiteral("click"));
    event->accept();
}
