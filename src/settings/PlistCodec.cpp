#include "settings/PlistCodec.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QTimeZone>
#include <cstring>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <plist/plist.h>

namespace orb {
namespace {

// Seconds between 1970-01-01 and 2001-01-01, the property-list epoch.
constexpr qint64 kPlistEpochOffset = 978307200;

struct PlistDeleter {
    void operator()(void *node) const { plist_free(static_cast<plist_t>(node)); }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

QVariant toVariant(plist_t node, int depth)
{
    if (!node || depth > 64)
        return {};
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t v = 0;
        plist_get_bool_val(node, &v);
        return QVariant(v != 0);
    }
    case PLIST_UINT: {
        // libplist keeps integers as 64-bit patterns; stored values are signed.
        uint64_t v = 0;
        plist_get_uint_val(node, &v);
        return QVariant(static_cast<qint64>(v));
    }
    case PLIST_REAL: {
        double v = 0;
        plist_get_real_val(node, &v);
        return QVariant(v);
    }
    case PLIST_STRING: {
        // By pointer and length: the copying getter asserts (and so aborts) on a string
        // holding a NUL byte, which a binary list can carry.
        uint64_t len = 0;
        const char *s = plist_get_string_ptr(node, &len);
        return QVariant(s ? QString::fromUtf8(s, static_cast<qsizetype>(std::min<uint64_t>(len, INT32_MAX))) : QString());
    }
    case PLIST_DATA: {
        char *d = nullptr;
        uint64_t len = 0;
        plist_get_data_val(node, &d, &len);
        QByteArray out(d ? d : "", d ? static_cast<qsizetype>(len) : 0);
        std::free(d);
        return QVariant(out);
    }
    case PLIST_DATE: {
        int32_t sec = 0, usec = 0;
        plist_get_date_val(node, &sec, &usec);
        return QVariant(QDateTime::fromMSecsSinceEpoch((kPlistEpochOffset + sec) * 1000 + usec / 1000,
                                                       Qt::UTC));
    }
    case PLIST_ARRAY: {
        QVariantList list;
        const uint32_t n = plist_array_get_size(node);
        list.reserve(static_cast<qsizetype>(n));
        for (uint32_t i = 0; i < n; ++i)
            list.append(toVariant(plist_array_get_item(node, i), depth + 1));
        return QVariant(list);
    }
    case PLIST_DICT: {
        QVariantMap map;
        plist_dict_iter it = nullptr;
        plist_dict_new_iter(node, &it);
        if (!it)
            return QVariant(map);
        for (;;) {
            char *key = nullptr;
            plist_t value = nullptr;
            plist_dict_next_item(node, it, &key, &value);
            if (!key)
                break;
            map.insert(QString::fromUtf8(key), toVariant(value, depth + 1));
            std::free(key);
        }
        std::free(it);
        return QVariant(map);
    }
    default:
        return {};
    }
}

plist_t fromVariant(const QVariant &v, int depth)
{
    if (depth > 64)
        return plist_new_string("");
    switch (v.typeId()) {
    case QMetaType::Bool:
        return plist_new_bool(v.toBool() ? 1 : 0);
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return plist_new_uint(static_cast<uint64_t>(v.toLongLong()));
    case QMetaType::ULong:
    case QMetaType::ULongLong:
        return plist_new_uint(static_cast<uint64_t>(v.toULongLong()));
    case QMetaType::Double:
    case QMetaType::Float:
        return plist_new_real(v.toDouble());
    case QMetaType::QByteArray: {
        const QByteArray b = v.toByteArray();
        return plist_new_data(b.constData(), static_cast<uint64_t>(b.size()));
    }
    case QMetaType::QDateTime: {
        const qint64 ms = v.toDateTime().toMSecsSinceEpoch() - kPlistEpochOffset * 1000;
        const qint64 sec = ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
        return plist_new_date(static_cast<int32_t>(sec), static_cast<int32_t>((ms - sec * 1000) * 1000));
    }
    case QMetaType::QVariantList:
    case QMetaType::QStringList: {
        plist_t arr = plist_new_array();
        for (const QVariant &item : v.toList())
            plist_array_append_item(arr, fromVariant(item, depth + 1));
        return arr;
    }
    case QMetaType::QVariantMap: {
        plist_t dict = plist_new_dict();
        const QVariantMap map = v.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it)
            plist_dict_set_item(dict, it.key().toUtf8().constData(), fromVariant(it.value(), depth + 1));
        return dict;
    }
    default:
        return plist_new_string(v.toString().toUtf8().constData());
    }
}

// Big-endian unsigned integer of `size` (1..8) bytes.
uint64_t bigEndian(const uchar *p, int size)
{
    uint64_t v = 0;
    for (int i = 0; i < size; ++i)
        v = (v << 8) | p[i];
    return v;
}

// Walks the object table of a binary list and checks every dictionary key string for a NUL
// character. Anything out of bounds counts as unsafe (libplist would reject it anyway).
bool binaryKeysAreSafe(const QByteArray &bytes)
{
    const auto n = static_cast<uint64_t>(bytes.size());
    if (n < 8 + 32)
        return false;
    const auto *d = reinterpret_cast<const uchar *>(bytes.constData());
    const uchar *trailer = d + n - 32;
    const int offsetSize = trailer[6];
    const int refSize = trailer[7];
    const uint64_t objects = bigEndian(trailer + 8, 8);
    const uint64_t table = bigEndian(trailer + 24, 8);
    if (offsetSize < 1 || offsetSize > 8 || refSize < 1 || refSize > 8 || table < 8 || table >= n - 32
        || objects > (n - 32 - table) / static_cast<uint64_t>(offsetSize))
        return false;
    auto offsetOf = [&](uint64_t ref, uint64_t &off) {
        if (ref >= objects)
            return false;
        off = bigEndian(d + table + ref * static_cast<uint64_t>(offsetSize), offsetSize);
        return off >= 8 && off < table;
    };
    // Length of the object at `off` and where its contents start.
    auto lengthOf = [&](uint64_t off, uint64_t &length, uint64_t &start) {
        length = d[off] & 0x0f;
        start = off + 1;
        if (length != 0x0f)
            return true;
        if (start >= table || (d[start] & 0xf0) != 0x10)
            return false;
        const int size = 1 << (d[start] & 0x0f);
        if (size > 8 || start + 1 + static_cast<uint64_t>(size) > table)
            return false;
        length = bigEndian(d + start + 1, size);
        start += 1 + static_cast<uint64_t>(size);
        return true;
    };
    for (uint64_t i = 0; i < objects; ++i) {
        uint64_t off = 0, count = 0, start = 0;
        if (!offsetOf(i, off))
            return false;
        if ((d[off] & 0xf0) != 0xd0)
            continue;
        if (!lengthOf(off, count, start) || count > (table - start) / (2 * static_cast<uint64_t>(refSize)))
            return false;
        for (uint64_t k = 0; k < count; ++k) {
            uint64_t keyOff = 0, keyLength = 0, keyStart = 0;
            if (!offsetOf(bigEndian(d + start + k * static_cast<uint64_t>(refSize), refSize), keyOff)
                || !lengthOf(keyOff, keyLength, keyStart))
                return false;
            const int kind = d[keyOff] & 0xf0;
            if (kind == 0x50) {
                if (keyLength > table - keyStart || std::memchr(d + keyStart, 0, keyLength))
                    return false;
            } else if (kind == 0x60) {
                if (keyLength > (table - keyStart) / 2)
                    return false;
                for (uint64_t j = 0; j < keyLength; ++j)
                    if (d[keyStart + 2 * j] == 0 && d[keyStart + 2 * j + 1] == 0)
                        return false;
            }
        }
    }
    return true;
}

// XML allows neither a NUL byte nor a character reference to NUL.
bool xmlKeysAreSafe(const QByteArray &bytes)
{
    static const QRegularExpression nulReference(QStringLiteral("&#(0+|[xX]0+);"));
    return !bytes.contains('\0') && !nulReference.match(QString::fromLatin1(bytes)).hasMatch();
}

} // namespace

std::optional<QVariant> PlistCodec::parse(const QByteArray &bytes, QString *error)
{
    if (bytes.isEmpty() || bytes.size() > 0x7fffffff) {
        if (error)
            *error = QStringLiteral("empty or oversized file");
        return std::nullopt;
    }
    plist_t root = nullptr;
    const auto len = static_cast<uint32_t>(bytes.size());
    const bool binary = plist_is_binary(bytes.constData(), len);
    // libplist aborts on a dictionary key holding a NUL character; refuse such lists first.
    if (binary ? !binaryKeysAreSafe(bytes) : !xmlKeysAreSafe(bytes)) {
        if (error)
            *error = QStringLiteral("a key holds a NUL character or the list is malformed");
        return std::nullopt;
    }
    if (binary)
        plist_from_bin(bytes.constData(), len, &root);
    else
        plist_from_xml(bytes.constData(), len, &root);
    PlistPtr guard(root);
    if (!root) {
        if (error)
            *error = QStringLiteral("not a property list");
        return std::nullopt;
    }
    return toVariant(root, 0);
}

QByteArray PlistCodec::toXml(const QVariant &value)
{
    PlistPtr root(fromVariant(value, 0));
    char *xml = nullptr;
    uint32_t len = 0;
    plist_to_xml(static_cast<plist_t>(root.get()), &xml, &len);
    QByteArray out(xml ? xml : "", xml ? static_cast<qsizetype>(len) : 0);
    plist_to_xml_free(xml);
    return out;
}

} // namespace orb
