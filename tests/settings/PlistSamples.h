#pragma once
// Property lists built byte by byte, for inputs the codec's own writer would never produce.
#include <QByteArray>
#include <QList>

namespace orb::test {

// `body` inside an XML declaration and a <plist> element.
QByteArray xmlPlist(const QByteArray &body);
// `depth` arrays, each holding the next; the innermost holds <integer>7</integer>.
QByteArray nestedXml(int depth);
// The same as a binary list: `depth` one-element arrays, the innermost holding the integer 7.
QByteArray nestedBinary(int depth);

// A binary list of encoded objects (marker byte, then contents); references inside them are
// two bytes wide (use `ref`). `top` is the root object's index.
QByteArray binaryPlist(const QList<QByteArray> &objects, quint64 top = 0);
QByteArray ref(quint16 index);
// Encodings of single objects.
QByteArray binaryAsciiString(const QByteArray &bytes); // fewer than 15 bytes
QByteArray binaryArray(const QList<quint16> &items);   // fewer than 15 items
QByteArray binaryDict(const QList<quint16> &keys, const QList<quint16> &values);

} // namespace orb::test
