#pragma once
#include <QByteArray>
#include <QString>
#include <QVariant>
#include <optional>

namespace orb {

// Converts between property lists (XML or binary) and QVariant trees:
// bool, qint64, double, QString, QByteArray, QDateTime, QVariantList, QVariantMap.
class PlistCodec {
public:
    // The root object, or nothing (with `error` set) when the bytes are not a property list.
    static std::optional<QVariant> parse(const QByteArray &bytes, QString *error = nullptr);
    // XML property list text of `value`.
    static QByteArray toXml(const QVariant &value);
};

} // namespace orb
