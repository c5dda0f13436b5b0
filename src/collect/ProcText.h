#pragma once
#include <charconv>
#include <cstdint>
#include <string_view>
#include <type_traits>

namespace orb::proctext {

// Small, allocation-free helpers for the line-oriented text files of /proc, /sys and udev.

inline std::string_view skipBlanks(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    return s;
}

inline std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
        s.remove_suffix(1);
    return s;
}

// True when all of `s` is one unsigned decimal number.
inline bool parseUnsigned(std::string_view s, uint64_t &out)
{
    const char *b = s.data();
    const char *e = b + s.size();
    auto [ptr, ec] = std::from_chars(b, e, out);
    return ec == std::errc() && ptr == e && ptr != b;
}

// True when all of `s` is one unsigned hexadecimal number (without "0x"), as /proc writes
// addresses and offsets.
template <typename T>
inline bool parseHex(std::string_view s, T &out)
{
    const char *b = s.data();
    const char *e = b + s.size();
    auto [ptr, ec] = std::from_chars(b, e, out, 16);
    return ec == std::errc() && ptr == e && ptr != b;
}

// The next blank-separated field of `s`, which is left holding what follows it.
inline std::string_view nextToken(std::string_view &s)
{
    s = skipBlanks(s);
    size_t i = 0;
    while (i < s.size() && s[i] != ' ' && s[i] != '\t')
        ++i;
    const std::string_view t = s.substr(0, i);
    s.remove_prefix(i);
    return t;
}

// Calls `f(line)` for every non-empty line of `text`. When `f` returns bool, false stops the
// walk and makes the result false.
template <typename F>
bool forEachLine(std::string_view text, F &&f)
{
    size_t pos = 0;
    while (pos < text.size()) {
        size_t nl = text.find('\n', pos);
        if (nl == std::string_view::npos)
            nl = text.size();
        const std::string_view line = text.substr(pos, nl - pos);
        pos = nl + 1;
        if (line.empty())
            continue;
        if constexpr (std::is_same_v<std::invoke_result_t<F, std::string_view>, bool>) {
            if (!f(line))
                return false;
        } else {
            f(line);
        }
    }
    return true;
}

} // namespace orb::proctext
