#pragma once
#include <QString>
#include <QUrl>
#include <optional>

namespace orb {

// A screen-sharing server's "vnc://" address, checked before anything is shown or started
// with it: scheme vnc, a host, at most a numeric port of 1–65535, no path, query or
// fragment, no white space or control characters, and no host or user name that starts
// with "-" (a viewer would take it for an option). A password in the address is kept for
// opening the connection but never shown and never logged.
class VncAddress {
public:
    // The address in `text` (outer white space ignored), or nothing with `reason` saying
    // why not. The reason never repeats the text, which may hold a password.
    static std::optional<VncAddress> parse(const QString &text, QString *reason = nullptr);
    // The address of a server found on the network: a usable IPv4 address (not 0.0.0.0)
    // and its port.
    static std::optional<VncAddress> forServer(const QString &host, int port);

    // What a viewer or the desktop's URL handler is given: the whole address, host in its
    // ASCII form, password included.
    QString openUrl() const { return url_.toString(QUrl::FullyEncoded); }
    // The address as shown to the user: without the password.
    QString shownUrl() const;
    // Host name or address (ASCII form; IPv6 without brackets).
    QString host() const { return url_.host(QUrl::FullyEncoded); }
    // The port, or -1 when the address names none.
    int port() const { return url_.port(); }
    QString userName() const { return url_.userName(QUrl::FullyDecoded); }
    bool hasPassword() const { return !url_.password().isEmpty(); }
    // `text` with this address's password taken out (a name typed as the address carries it).
    QString withoutPassword(const QString &text) const;

    // Longest address text accepted.
    static constexpr int kMaxLength = 1024;

private:
    explicit VncAddress(QUrl url) : url_(std::move(url)) {}
    QUrl url_;
};

} // namespace orb
