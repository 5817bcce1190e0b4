#pragma once

#include <QByteArrayView>
#include <QString>

class QDomDocument;

// Set files and the sound catalogue are small and shallow: a few levels of
// elements. Qt's DOM parser slows down with the square of the nesting depth
// and frees its tree recursively, so a hostile file nested a hundred
// thousand levels deep would stall or overflow the stack. Such files are
// refused before they reach the parser.
namespace xmlfile {
constexpr int maxDepth = 256;
}

// True when the elements of `bytes` nest deeper than xmlfile::maxDepth.
// Stops reading as soon as the limit is passed.
bool nestsTooDeep(QByteArrayView bytes);

// Reads a regular file and parses it whole into `document`. False when the
// file cannot be opened or read, nests too deep or is not well-formed XML;
// then `why`, when given, says which.
bool readXmlFile(const QString &path, QDomDocument &document, QString *why = nullptr);
