#pragma once
#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariant>
#include <optional>

namespace orb {

// Converts between property lists (XML or binary) and QVariant trees:
// bool, qint64, double, QString, QByteArray, QDateTime, QVariantList, QVariantMap.
class PlistCodec {
public:
    // Deepest nesting of arrays and dictionaries accepted. Deeper lists are refused before
    // the property-list library sees them: it parses and frees them recursively.
    static constexpr int kMaxDepth = 128;
    // Most values a binary list may expand to (objects it references more than once count
    // every time), so that a small file cannot unfold into an enormous tree.
    static constexpr quint64 kMaxExpandedObjects = 1u << 20;

    // A value that was read but cannot be written back as it is (a date outside the range
    // the library stores, an integer of 2^63 or more, a string with a NUL byte or invalid
    // UTF-8, a type the store does not keep).
    struct InexactValue {
        QString key;    // the top-level dictionary key it is under; empty when the root is not one
        QString reason;
    };

    // The root object, or nothing (with `error` set) when the bytes are not a property list.
    // `inexact`, when given, receives every value that would not survive being written back.
    static std::optional<QVariant> parse(const QByteArray &bytes, QString *error = nullptr,
                                         QList<InexactValue> *inexact = nullptr);
    // XML property list text of `value`.
    static QByteArray toXml(const QVariant &value);
};

} // namespace orb
