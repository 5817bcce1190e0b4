#pragma once

#include <QByteArray>
#include <QString>

class QImage;

// Writing the data directory's files, for the generator and the set maker.

// Writes `bytes` to `path`, making its folders; the file appears whole or
// not at all. A file that already holds these bytes is left alone, so its
// time stamp says when it really changed. False with a one-line `error`.
bool writeDataFile(const QString &path, const QByteArray &bytes, QString *error);

// A picture as PNG: the same bytes for the same picture every run (no text
// chunks, one fixed compression level).
QByteArray encodePng(const QImage &image);
