#include "screens/setchooser.h"

#include "audio/soundmanager.h"
#include "game/xmlfile.h"

#include <QDir>
#include <QDomDocument>
#include <QMouseEvent>
#include <QPainter>

SetChooser::SetChooser(QWidget *parent)
    : QWidget(parent)
{
    // Files only: a directory that happens to be called "x.xml" is no set.
    const QStringList files = QDir(QStringLiteral("sets"))
                                  .entryList({QStringLiteral("*.xml")}, QDir::Files,
                                             QDir::Name | QDir::IgnoreCase);
    for (const QString &fileName : files) {
        auto *document = new QDomDocument(QStringLiteral("set"));
        if (!readXmlFile(QStringLiteral("sets/") + fileName, *document)) {
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
                entry.icon = QPixmap(QStringLiteral("sets/") + element.text());
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

void SetChooser::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0, 0, 0, 255));

    int left = 400 - rowWidth / 2;
    for (int i = 0; i < entries.size(); ++i) {
        const QPixmap &icon = entries.at(i).icon;
        painter.drawPixmap(left, 0, icon);
        if (i != selected)
            painter.fillRect(left, 0, icon.width(), icon.height(), QColor(0, 0, 0, 100));
        left += icon.width() + 10;
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
    // gap after an icon the next, one right of the row nothing.
    const int x = event->position().toPoint().x();
    int left = 400 - rowWidth / 2;
    for (int i = 0; i < entries.size(); ++i) {
        const int iconWidth = entries.at(i).icon.width();
        if (x < left + iconWidth) {
            selected = i;
            break;
        }
        left += iconWidth + 10;
    }
    if (soundManager)
        soundManager->playEffect(QStringLiteral("click"));
    update();
}
