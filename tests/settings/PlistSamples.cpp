#include "PlistSamples.h"


namespace orb::test {

namespace {

QByteArray bigEndian(quint64 value, int size)
{
    QByteArray out(size, '\0');
    for (int i = size - 1; i >= 0; --i, value >>= 8)
        out[i] = static_cast<char>(value & 0xff);
    return out;
}

// Header, objects at the given offsets, offset table and trailer.
QByteArray assemble(const QByteArray &objectBytes, const QList<quint64> &offsets, int offsetSize, int refSize,
                    quint64 top)
{
    QByteArray out = "bplist00" + objectBytes;
    const quint64 table = static_cast<quint64>(out.size());
    for (quint64 offset : offsets)
        out += bigEndian(offset, offsetSize);
    out += QByteArray(6, '\0');
    out += static_cast<char>(offsetSize);
    out += static_cast<char>(refSize);
    out += bigEndian(static_cast<quint64>(offsets.size()), 8);
    out += bigEndian(top, 8);
    out += bigEndian(table, 8);
    return out;
}

} // namespace

QByteArray xmlPlist(const QByteArray &body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
           "<plist version=\"1.0\">"
           + body + "</plist>\n";
}

QByteArray nestedXml(int depth)
{
    return xmlPlist(QByteArray("<array>").repeated(depth) + "<integer>7</integer>"
                    + QByteArray("</array>").repeated(depth));
}

QByteArray nestedBinary(int depth)
{
    QByteArray objects;
    QList<quint64> offsets;
    for (int i = 0; i < depth; ++i) {
        offsets << 8 + static_cast<quint64>(objects.size());
        objects += '\xa1';
        objects += bigEndian(static_cast<quint64>(i + 1), 4);
    }
    offsets << 8 + static_cast<quint64>(objects.size());
    objects += QByteArray("\x10\x07", 2);
    return assemble(objects, offsets, 4, 4, 0);
}

QByteArray ref(quint16 index) { return bigEndian(index, 2); }

QByteArray binaryPlist(const QList<QByteArray> &objectList, quint64 top)
{
    QByteArray objects;
    QList<quint64> offsets;
    for (const QByteArray &object : objectList) {
        offsets << 8 + static_cast<quint64>(objects.size());
        objects += object;
    }
    return assemble(objects, offsets, 4, 2, top);
}

QByteArray binaryAsciiString(const QByteArray &bytes)
{
    return static_cast<char>(0x50 | bytes.size()) + bytes;
}

QByteArray binaryArray(const QList<quint16> &items)
{
    QByteArray out(1, static_cast<char>(0xa0 | items.size()));
    for (quint16 item : items)
        out += ref(item);
    return out;
}

QByteArray binaryDict(const QList<quint16> &keys, const QList<quint16> &values)
{
    QByteArray out(1, static_cast<char>(0xd0 | keys.size()));
    for (quint16 key : keys)
        out += ref(key);
    for (quint16 value : values)
        out += ref(value);
    return out;
}

} // namespace orb::test
