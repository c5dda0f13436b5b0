#include "settings/PlistCodec.h"

#include "platform/Logging.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTimeZone>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <plist/plist.h>
#include <string_view>
#include <vector>

namespace orb {
namespace {

// Seconds between 1970-01-01 and 2001-01-01, the property-list epoch.
constexpr qint64 kPlistEpochOffset = 978307200;

struct PlistDeleter {
    void operator()(void *node) const { plist_free(static_cast<plist_t>(node)); }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

// Where values that cannot be written back as they were read are reported.
struct ReadContext {
    QList<PlistCodec::InexactValue> *inexact = nullptr;
    QString key; // top-level key of the value being read
    QList<QByteArray> cutAtNul; // what the library made of ASCII strings holding a NUL

    void note(const QString &reason) const
    {
        if (inexact)
            inexact->append({key, reason});
    }
};

// The text the library writes for one value, e.g. "2100-01-01T00:00:00Z" for a date.
// The library keeps some values more exactly than its getters return them.
QByteArray writtenText(plist_t node, const char *tag)
{
    plist_t wrapper = plist_new_array();
    plist_array_append_item(wrapper, plist_copy(node));
    char *xml = nullptr;
    uint32_t len = 0;
    plist_to_xml(wrapper, &xml, &len);
    const QByteArray text(xml ? xml : "", xml ? static_cast<qsizetype>(len) : 0);
    plist_to_xml_free(xml);
    plist_free(wrapper);
    const QByteArray open = QByteArray("<") + tag + '>';
    const qsizetype from = text.indexOf(open);
    const qsizetype to = text.indexOf(QByteArray("</") + tag + '>', from);
    return from < 0 || to < 0 ? QByteArray() : text.mid(from + open.size(), to - from - open.size()).trimmed();
}

QString utf8Text(const char *bytes, qsizetype length, const ReadContext &ctx, const char *what)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(QByteArrayView(bytes, length));
    if (decoder.hasError())
        ctx.note(QStringLiteral("%1 is not valid UTF-8").arg(QLatin1String(what)));
    return text;
}

QVariant toVariant(plist_t node, int depth, ReadContext &ctx)
{
    if (!node)
        return {};
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t v = 0;
        plist_get_bool_val(node, &v);
        return QVariant(v != 0);
    }
    case PLIST_UINT: {
        // libplist keeps integers as 64-bit patterns; stored values are signed, and only
        // the written text tells a negative number from one of 2^63 or more.
        uint64_t v = 0;
        plist_get_uint_val(node, &v);
        if (v > static_cast<uint64_t>(std::numeric_limits<qint64>::max())) {
            const QByteArray text = writtenText(node, "integer");
            if (!text.startsWith('-')) {
                ctx.note(QStringLiteral("integer %1 is larger than 9223372036854775807").arg(QLatin1String(text)));
                return QVariant(std::numeric_limits<qint64>::max());
            }
        }
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
        if (!s)
            return QVariant(QString());
        const auto length = static_cast<qsizetype>(std::min<uint64_t>(len, INT32_MAX));
        if (std::memchr(s, 0, static_cast<size_t>(length))
            || (!ctx.cutAtNul.isEmpty() && ctx.cutAtNul.contains(QByteArray::fromRawData(s, length))))
            ctx.note(QStringLiteral("string holds a NUL character"));
        return QVariant(utf8Text(s, length, ctx, "string"));
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
        // The getter gives whole seconds as 32 bits: dates before 1932-12-13 or after
        // 2069-01-19 come back as those limits.
        int32_t sec = 0, usec = 0;
        plist_get_date_val(node, &sec, &usec);
        const QDateTime value = QDateTime::fromMSecsSinceEpoch((kPlistEpochOffset + sec) * 1000 + usec / 1000, Qt::UTC);
        if (sec == std::numeric_limits<int32_t>::min() || sec == std::numeric_limits<int32_t>::max()) {
            const QByteArray text = writtenText(node, "date");
            if (QDateTime::fromString(QString::fromLatin1(text), Qt::ISODate) != value)
                ctx.note(QStringLiteral("date %1 is outside 1932-12-13 to 2069-01-19").arg(QLatin1String(text)));
        }
        return QVariant(value);
    }
    case PLIST_ARRAY: {
        if (depth >= PlistCodec::kMaxDepth) {
            ctx.note(QStringLiteral("nested more than %1 levels deep").arg(PlistCodec::kMaxDepth));
            return {};
        }
        QVariantList list;
        const uint32_t n = plist_array_get_size(node);
        list.reserve(static_cast<qsizetype>(n));
        for (uint32_t i = 0; i < n; ++i)
            list.append(toVariant(plist_array_get_item(node, i), depth + 1, ctx));
        return QVariant(list);
    }
    case PLIST_DICT: {
        if (depth >= PlistCodec::kMaxDepth) {
            ctx.note(QStringLiteral("nested more than %1 levels deep").arg(PlistCodec::kMaxDepth));
            return {};
        }
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
            const QString name = utf8Text(key, static_cast<qsizetype>(std::strlen(key)), ctx, "key");
            if (depth == 0)
                ctx.key = name;
            map.insert(name, toVariant(value, depth + 1, ctx));
            std::free(key);
        }
        std::free(it);
        return QVariant(map);
    }
    default:
        ctx.note(QStringLiteral("value of a kind the settings do not keep"));
        return {};
    }
}

plist_t fromVariant(const QVariant &v, int depth)
{
    const bool container = v.typeId() == QMetaType::QVariantList || v.typeId() == QMetaType::QStringList
                           || v.typeId() == QMetaType::QVariantMap;
    // Deeper lists would not be read back at all; keep the file readable.
    if (container && depth >= PlistCodec::kMaxDepth) {
        qCWarning(lcSettings) << "a value nested more than" << PlistCodec::kMaxDepth << "levels deep is written empty";
        return plist_new_string("");
    }
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
        qint64 sec = ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
        qint64 usec = (ms - sec * 1000) * 1000;
        // The library stores 32-bit seconds; outside that range the nearest end is kept
        // rather than a wrapped-around date.
        if (sec < std::numeric_limits<int32_t>::min() || sec > std::numeric_limits<int32_t>::max()) {
            sec = std::clamp<qint64>(sec, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
            usec = 0;
        }
        return plist_new_date(static_cast<int32_t>(sec), static_cast<int32_t>(usec));
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
// ASCII strings holding a NUL are read by the library only up to it: what it returns for
// them goes to `cutAtNul`.
bool binaryKeysAreSafe(const QByteArray &bytes, QList<QByteArray> &cutAtNul)
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
        if ((d[off] & 0xf0) == 0x50 && lengthOf(off, count, start) && count <= table - start) {
            const void *nul = std::memchr(d + start, 0, count);
            if (nul)
                cutAtNul.append(QByteArray(reinterpret_cast<const char *>(d + start),
                                           static_cast<const uchar *>(nul) - (d + start)));
            continue;
        }
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

// The library parses and frees nested arrays and dictionaries recursively, so a list nested
// deeply enough overflows the stack. These checks run first, on the bytes.

// Reads XML text with the lexical rules of the library's parser: processing instructions
// and the document type skip quoted text, comments and CDATA sections hide markup, and the
// text of a leaf element runs to its closing tag.
class XmlScanner {
public:
    explicit XmlScanner(const QByteArray &bytes) : pos_(bytes.constData()), end_(bytes.constData() + bytes.size()) {}

    // Deepest nesting of arrays and dictionaries inside the <plist> element, counting stops
    // once it passes `limit`; -1 when the text is malformed in a way the parser rejects too.
    int containerDepth(int limit)
    {
        int depth = 0;
        int deepest = 0;
        while (toNext('<')) {
            ++pos_;
            if (pos_ >= end_)
                return -1;
            if (*pos_ == '?') {
                if (!skipPast("?>", true))
                    return -1;
                continue;
            }
            if (*pos_ == '!') {
                if (startsWith("!--")) {
                    pos_ += 3;
                    if (!skipPast("-->", false))
                        return -1;
                } else if (startsWith("!DOCTYPE")) {
                    pos_ += 8;
                    if (!findAny("[>", true))
                        return -1;
                    if (*pos_ == '>')
                        ++pos_;
                    else if (!skipPast("]>", true))
                        return -1;
                } else {
                    return -1;
                }
                continue;
            }
            const char *name = pos_;
            if (!findAny(" \r\n\t<>", false))
                return -1;
            std::string_view tag(name, static_cast<size_t>(pos_ - name));
            if (*pos_ != '>' && !findAny("<>", true))
                return -1;
            if (*pos_ != '>')
                return -1;
            const bool empty = pos_[-1] == '/';
            ++pos_;
            if (empty && !tag.empty() && tag.back() == '/')
                tag.remove_suffix(1);
            // The <plist> element counts as a level too: the parser may nest it.
            if (tag == "array" || tag == "dict" || tag == "plist") {
                if (!empty && ++depth > deepest) {
                    deepest = depth;
                    if (deepest > limit + 1)
                        return deepest - 1;
                }
            } else if (tag == "/array" || tag == "/dict" || tag == "/plist") {
                depth = std::max(0, depth - 1);
            } else if (tag == "key" || tag == "string" || tag == "integer" || tag == "real" || tag == "date"
                       || tag == "data" || tag == "true" || tag == "false") {
                if (!empty && !skipText())
                    return -1;
            } else {
                return -1;
            }
        }
        return std::max(0, deepest - 1);
    }

private:
    bool startsWith(std::string_view s) const
    {
        return static_cast<size_t>(end_ - pos_) >= s.size() && std::memcmp(pos_, s.data(), s.size()) == 0;
    }
    bool toNext(char c)
    {
        const void *hit = pos_ < end_ ? std::memchr(pos_, c, static_cast<size_t>(end_ - pos_)) : nullptr;
        pos_ = hit ? static_cast<const char *>(hit) : end_;
        return hit != nullptr;
    }
    // Past a double-quoted run starting at pos_; false when it is not closed.
    bool skipQuoted()
    {
        ++pos_;
        if (!toNext('"'))
            return false;
        ++pos_;
        return true;
    }
    // To the first of `chars`; false at the end.
    bool findAny(std::string_view chars, bool skipQuotes)
    {
        while (pos_ < end_) {
            if (skipQuotes && *pos_ == '"') {
                if (!skipQuoted())
                    return false;
                continue;
            }
            if (chars.find(*pos_) != std::string_view::npos)
                return true;
            ++pos_;
        }
        return false;
    }
    // Past the first `s`; false when there is none.
    bool skipPast(std::string_view s, bool skipQuotes)
    {
        while (pos_ < end_) {
            if (startsWith(s)) {
                pos_ += s.size();
                return true;
            }
            if (skipQuotes && *pos_ == '"') {
                if (!skipQuoted())
                    return false;
                continue;
            }
            ++pos_;
        }
        return false;
    }
    // The text of a leaf element up to and including its closing tag.
    bool skipText()
    {
        for (;;) {
            if (!toNext('<'))
                return false;
            ++pos_;
            if (startsWith("!--")) {
                pos_ += 3;
                if (!skipPast("-->", false))
                    return false;
            } else if (startsWith("![CDATA[")) {
                pos_ += 8;
                if (!skipPast("]]>", false))
                    return false;
            } else if (pos_ < end_ && *pos_ == '/') {
                return skipPast(">", false);
            } else {
                return false;
            }
        }
    }

    const char *pos_;
    const char *end_;
};

// Walks the object graph of a binary list from its top object, checking the nesting of
// arrays, sets and dictionaries and the number of values the library would build (an
// object referenced twice is built twice). A reference cycle is endless nesting.
enum class BinaryShape { Fine, Malformed, TooDeep, TooLarge };

BinaryShape binaryShape(const QByteArray &bytes)
{
    const auto n = static_cast<uint64_t>(bytes.size());
    if (n < 8 + 32)
        return BinaryShape::Malformed;
    const auto *d = reinterpret_cast<const uchar *>(bytes.constData());
    const uchar *trailer = d + n - 32;
    const int offsetSize = trailer[6];
    const int refSize = trailer[7];
    const uint64_t objects = bigEndian(trailer + 8, 8);
    const uint64_t top = bigEndian(trailer + 16, 8);
    const uint64_t table = bigEndian(trailer + 24, 8);
    if (offsetSize < 1 || offsetSize > 8 || refSize < 1 || refSize > 8 || table < 8 || table >= n - 32
        || objects > (n - 32 - table) / static_cast<uint64_t>(offsetSize) || top >= objects)
        return BinaryShape::Malformed;
    // Bounds the bookkeeping below; the lists this program meets hold a few thousand objects.
    if (objects > 4 * PlistCodec::kMaxExpandedObjects)
        return BinaryShape::TooLarge;

    struct Frame {
        uint64_t object = 0;
        uint64_t start = 0; // where its references begin
        uint64_t count = 0; // how many references it holds
        uint64_t next = 0;  // the next one to follow
        bool container = false;
    };
    auto frameOf = [&](uint64_t object, Frame &f) {
        f = Frame{};
        f.object = object;
        const uint64_t off = bigEndian(d + table + object * static_cast<uint64_t>(offsetSize), offsetSize);
        if (off < 8 || off >= table)
            return false;
        const int kind = d[off] & 0xf0;
        f.container = kind == 0xa0 || kind == 0xc0 || kind == 0xd0;
        if (!f.container)
            return true;
        uint64_t count = d[off] & 0x0f;
        uint64_t start = off + 1;
        if (count == 0x0f) {
            if (start >= table || (d[start] & 0xf0) != 0x10)
                return false;
            const int size = 1 << (d[start] & 0x0f);
            if (size > 8 || start + 1 + static_cast<uint64_t>(size) > table)
                return false;
            count = bigEndian(d + start + 1, size);
            start += 1 + static_cast<uint64_t>(size);
        }
        const uint64_t perEntry = kind == 0xd0 ? 2 : 1; // a dictionary lists its keys, then its values
        if (count > (table - start) / (perEntry * static_cast<uint64_t>(refSize)))
            return false;
        f.start = start;
        f.count = count * perEntry;
        return true;
    };

    enum : uint8_t { Unseen, Open, Done };
    std::vector<uint8_t> state(objects, Unseen);
    std::vector<uint8_t> depth(objects, 0);     // containers on the deepest path from the object
    std::vector<uint32_t> expanded(objects, 0); // values built for the object, itself included
    // Both stay within their types: a path longer than kMaxDepth and a count above
    // kMaxExpandedObjects end the walk when they are met.
    static_assert(PlistCodec::kMaxDepth < 255 && PlistCodec::kMaxExpandedObjects < (1u << 31));
    auto add = [](uint32_t a, uint32_t b) {
        return static_cast<uint32_t>(std::min<uint64_t>(uint64_t(a) + b, PlistCodec::kMaxExpandedObjects + 1));
    };
    std::vector<Frame> stack;
    auto push = [&](uint64_t object) {
        Frame f;
        if (!frameOf(object, f))
            return false;
        state[object] = Open;
        expanded[object] = 1;
        stack.push_back(f);
        return true;
    };
    if (!push(top))
        return BinaryShape::Malformed;
    while (!stack.empty()) {
        Frame &f = stack.back();
        if (f.next == f.count) {
            const uint64_t object = f.object;
            depth[object] = static_cast<uint8_t>(depth[object] + (f.container ? 1 : 0));
            state[object] = Done;
            stack.pop_back();
            if (expanded[object] > PlistCodec::kMaxExpandedObjects)
                return BinaryShape::TooLarge;
            if (stack.size() + depth[object] > static_cast<size_t>(PlistCodec::kMaxDepth))
                return BinaryShape::TooDeep; // with the containers above it
            if (!stack.empty()) {
                const uint64_t parent = stack.back().object;
                depth[parent] = std::max(depth[parent], depth[object]);
                expanded[parent] = add(expanded[parent], expanded[object]);
            }
            continue;
        }
        const uint64_t child = bigEndian(d + f.start + f.next * static_cast<uint64_t>(refSize), refSize);
        ++f.next;
        if (child >= objects)
            return BinaryShape::Malformed;
        if (state[child] == Open)
            return BinaryShape::TooDeep;
        if (state[child] == Done) {
            if (stack.size() + depth[child] > static_cast<size_t>(PlistCodec::kMaxDepth))
                return BinaryShape::TooDeep;
            depth[f.object] = std::max(depth[f.object], depth[child]);
            expanded[f.object] = add(expanded[f.object], expanded[child]);
            continue;
        }
        // Every frame below the new one is a container holding the next.
        if (stack.size() > static_cast<size_t>(PlistCodec::kMaxDepth))
            return BinaryShape::TooDeep;
        if (!push(child))
            return BinaryShape::Malformed;
    }
    return depth[top] > PlistCodec::kMaxDepth ? BinaryShape::TooDeep : BinaryShape::Fine;
}

} // namespace

std::optional<QVariant> PlistCodec::parse(const QByteArray &bytes, QString *error, QList<InexactValue> *inexact)
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
    ReadContext ctx;
    ctx.inexact = inexact;
    if (binary ? !binaryKeysAreSafe(bytes, ctx.cutAtNul) : !xmlKeysAreSafe(bytes)) {
        if (error)
            *error = QStringLiteral("a key holds a NUL character or the list is malformed");
        return std::nullopt;
    }
    QString shapeError;
    if (binary) {
        switch (binaryShape(bytes)) {
        case BinaryShape::Fine:
            break;
        case BinaryShape::Malformed:
            shapeError = QStringLiteral("the binary list is malformed");
            break;
        case BinaryShape::TooDeep:
            shapeError = QStringLiteral("nested more than %1 levels deep").arg(kMaxDepth);
            break;
        case BinaryShape::TooLarge:
            shapeError = QStringLiteral("it would expand to more than %1 values").arg(kMaxExpandedObjects);
            break;
        }
    } else {
        const int depth = XmlScanner(bytes).containerDepth(kMaxDepth);
        if (depth < 0)
            shapeError = QStringLiteral("not a property list");
        else if (depth > kMaxDepth)
            shapeError = QStringLiteral("nested more than %1 levels deep").arg(kMaxDepth);
    }
    if (!shapeError.isEmpty()) {
        if (error)
            *error = shapeError;
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
    return toVariant(root, 0, ctx);
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
