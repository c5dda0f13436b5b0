#include "toolkit/OrbStrings.h"

#include "platform/Logging.h"

#include <QCoreApplication>
#include <cstring>

namespace orb {

namespace {

struct Entry {
    const char *key;
    const char *english;
};

// Source texts for translators (QT_TRANSLATE_NOOP keeps them visible to lupdate);
// the key is passed as the disambiguation so two keys may share an English text.
const Entry kTable[] = {
    {"%dday%@ %d:%02d:%02d", QT_TRANSLATE_NOOP("OrbStrings", "%1 day%2 %3:%4:%5")},
    {"_dayS", QT_TRANSLATE_NOOP("OrbStrings", "s")},
    {"Start-up Time", QT_TRANSLATE_NOOP("OrbStrings", "Start-up Time")},
    {"Recent : %ld sec", QT_TRANSLATE_NOOP("OrbStrings", "Recent: %1 sec")},
    {"Update Interval : %ld sec", QT_TRANSLATE_NOOP("OrbStrings", "Update interval: %1 sec")},
    {"Parts spacing : %ld pixel", QT_TRANSLATE_NOOP("OrbStrings", "Parts spacing: %1 pixel")},
    {"Histgram width : %ld pixel", QT_TRANSLATE_NOOP("OrbStrings", "Histogram width: %1 pixel")},
    // The General preferences tab.
    {"Display histgram", QT_TRANSLATE_NOOP("OrbStrings", "Display histogram")},
    {"Display this window at starting up", QT_TRANSLATE_NOOP("OrbStrings", "Display this window at starting up")},
    {"Reboot Orbmeter regularly (days)", QT_TRANSLATE_NOOP("OrbStrings", "Restart Orbmeter regularly (days)")},
    {"Notify when the bluetooth input device is disconnected",
     QT_TRANSLATE_NOOP("OrbStrings", "Notify when a Bluetooth input device is disconnected")},
    {"Notify when the battery of the genuine Apple bluetooth input device is 25% or less",
     QT_TRANSLATE_NOOP("OrbStrings", "Notify when the battery of a Bluetooth input device is 25% or less")},
    {"Show Nothing", QT_TRANSLATE_NOOP("OrbStrings", "Show Nothing")},
    {"Show ORB Icon", QT_TRANSLATE_NOOP("OrbStrings", "Show Orbmeter Icon")},
    {"Show Internal Battery Remain", QT_TRANSLATE_NOOP("OrbStrings", "Show Internal Battery Remaining")},
    {"Theme :", QT_TRANSLATE_NOOP("OrbStrings", "Theme:")},
    {"Save Theme...", QT_TRANSLATE_NOOP("OrbStrings", "Save Theme...")},
    {"Exec now", QT_TRANSLATE_NOOP("OrbStrings", "Run now")},
    {"Ignore below : %ldKB/s", QT_TRANSLATE_NOOP("OrbStrings", "Ignore below: %1KB/s")},
    {"%d threads, %d processes", QT_TRANSLATE_NOOP("OrbStrings", "%1 threads, %2 processes")},
    {"1min: %.2f, 5min: %.2f, 15min: %.2f",
     QT_TRANSLATE_NOOP("OrbStrings", "1min: %1, 5min: %2, 15min: %3")},
    // Dynamic DNS: the provider's answers, the work list's line notices.
    {"更新に成功しました", QT_TRANSLATE_NOOP("OrbStrings", "Update succeeded")},
    {"不正なリクエストです", QT_TRANSLATE_NOOP("OrbStrings", "Invalid request")},
    {"不正なドメインとパスワードです", QT_TRANSLATE_NOOP("OrbStrings", "Invalid domain and password")},
    {"不正なIPアドレスです", QT_TRANSLATE_NOOP("OrbStrings", "Invalid IP address")},
    {"パスワードが一致しません", QT_TRANSLATE_NOOP("OrbStrings", "Password does not match")},
    {"データベースサーバーが混雑しています", QT_TRANSLATE_NOOP("OrbStrings", "Database server is busy")},
    {"その他のエラー", QT_TRANSLATE_NOOP("OrbStrings", "Other error")},
    {"Unknown Error", QT_TRANSLATE_NOOP("OrbStrings", "Unknown Error")},
    {"Line %1", QT_TRANSLATE_NOOP("OrbStrings", "Line %1")},
    {"(No Record)", QT_TRANSLATE_NOOP("OrbStrings", "(No Record)")},
    {"Blank line", QT_TRANSLATE_NOOP("OrbStrings", "Blank line")},
    {"Comment out", QT_TRANSLATE_NOOP("OrbStrings", "Comment out")},
    {"Invalid Parameter", QT_TRANSLATE_NOOP("OrbStrings", "Invalid Parameter")},
    {"Global IP Address changed.", QT_TRANSLATE_NOOP("OrbStrings", "Global IP Address changed.")},
    {"Some error occurred (%1)", QT_TRANSLATE_NOOP("OrbStrings", "Some error occurred (%1)")},
};

} // namespace

QString OrbStrings::text(const char *key)
{
    for (const Entry &e : kTable) {
        if (std::strcmp(e.key, key) != 0)
            continue;
        const QString translated = QCoreApplication::translate("OrbStrings", e.english, e.key);
        return translated.isEmpty() ? QString::fromUtf8(e.english) : translated;
    }
    qCWarning(lcToolkit, "string table has no entry %s", key);
    return QString::fromUtf8(key);
}

} // namespace orb
