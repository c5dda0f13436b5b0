#pragma once
#include "services/VncAddress.h"

#include <QString>
#include <QVariantList>
#include <QVariantMap>
#include <optional>
#include <vector>

namespace orb {

// One server of the user's list ("Vnc_ClientSortArray"), checked.
struct VncServerEntry {
    QString name;        // as shown: plain text, without the address's password
    VncAddress address;
    bool menu = false;   // shown in the status item's menu
};

// The user's list of screen-sharing servers: reading it from the module settings, the
// editing rules the preferences keep to, and ".vncloc" location files.
class VncServerList {
public:
    // The entries of "Vnc_ClientSortArray" in `defaults` that have a name and a usable
    // address, in the stored order; with `onMenuOnly` only those marked for the menu.
    // Entries that cannot be used are logged (by position, never with their address).
    static std::vector<VncServerEntry> retVncSite(const QVariantMap &defaults, bool onMenuOnly);
    static std::vector<VncServerEntry> entries(const QVariantList &list, bool onMenuOnly);

    // The entry the preferences add for a typed address: {"url": "vnc://" + text, "name":
    // text without a password}; nothing when the text is shorter than 6 characters or the
    // address is not usable (`reason` says why).
    static std::optional<QVariantMap> entryForTypedAddress(const QString &text, QString *reason = nullptr);
    // The list with row `from` dropped between the rows at position `to` (0..size); moving
    // a row onto its own place or just below it changes nothing.
    static QVariantList moved(const QVariantList &list, int from, int to);

    // A ".vncloc" file: a property list (XML or binary) whose dictionary has "URL". Gives
    // {"url", "name": the file name}, or nothing (logged) for a file that is missing, larger
    // than kMaxLocationFileBytes, not a property list, or without a usable address.
    static std::optional<QVariantMap> readLocationFile(const QString &path);
    static std::optional<QVariantMap> parseLocationFile(const QByteArray &bytes, const QString &fileName,
                                                        QString *reason = nullptr);
    static constexpr qint64 kMaxLocationFileBytes = 64 * 1024;

    // Text from elsewhere (a network announcement, a settings file) made fit for one menu
    // line: control and layout characters become spaces, at most 80 characters.
    static QString plainLabel(const QString &text);
};

} // namespace orb
