#pragma once
#include <QByteArrayView>
#include <QColor>
#include <QVarLengthArray>
#include <string>
#include <type_traits>

namespace orb {

// What a kept drawing depends on, as bytes: its kind (a name no other kind uses) and every
// value that changes its pixels. Two drawings with equal keys come out the same.
class DrawingKey {
public:
    explicit DrawingKey(const char *kind) { bytes_.append(kind, qsizetype(std::char_traits<char>::length(kind)) + 1); }
    template <typename T> DrawingKey &add(const T &value)
    {
        static_assert(std::is_trivially_copyable_v<T> && !std::is_pointer_v<T>);
        bytes_.append(reinterpret_cast<const char *>(&value), sizeof value);
        return *this;
    }
    DrawingKey &add(const QColor &color) { return add(color.rgba64()); }
    QByteArrayView bytes() const { return {bytes_.constData(), bytes_.size()}; }

private:
    QVarLengthArray<char, 256> bytes_;
};

} // namespace orb
