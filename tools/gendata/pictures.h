#pragma once

// Every picture of the menus and the game screen, and the room textures,
// painted with QPainter in one style: dark teal plates with bone-coloured
// lettering.

#include <QImage>
#include <QString>
#include <map>

// File name (relative to the data directory) to picture.
using PictureSet = std::map<QString, QImage>;

// `heart` and `skeleton` are rendered pictures used on the logo and the
// loading screen.
PictureSet paintPictures(const QImage &heart, const QImage &skeleton);
PictureSet paintTextures();
