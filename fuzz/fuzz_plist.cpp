// Property lists as the settings store and the theme loader meet them: the codec on the
// bytes, the settings domain read from a file holding them, and the theme check on the
// parsed dictionary.
#include "FuzzSupport.h"
#include "settings/PlistCodec.h"
#include "settings/SettingsStore.h"
#include "settings/ThemeStore.h"

#include <QFile>
#include <QVariantMap>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    orb::fuzz::initialize(argc, argv);
    // The theme check reads its reference from the application-support directory; the
    // shipped ones carry large images whose parsing would dwarf the input's. Install
    // references with small stand-ins so every run spends its time on the input.
    const QString dir = orb::ThemeStore::checkAndRetMyApplicationSupportDir();
    for (bool dark : {false, true}) {
        QVariantMap reference = orb::ThemeStore::builtInReference(dark);
        for (auto it = reference.begin(); it != reference.end(); ++it) {
            if (it->typeId() == QMetaType::QByteArray)
                *it = QByteArray("\x89PNG\r\n\x1a\n", 8);
        }
        QFile out(dir + (dark ? QStringLiteral("/_dark_theme.plist") : QStringLiteral("/_light_theme.plist")));
        if (!out.open(QIODevice::WriteOnly) || out.write(orb::PlistCodec::toXml(reference)) < 0)
            __builtin_trap();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const auto parsed = orb::PlistCodec::parse(bytes);
    if (parsed && parsed->typeId() == QMetaType::QVariantMap) {
        const QVariantMap checked = orb::ThemeStore::checkThemeValues(parsed->toMap(), QVariantMap());
        // The check either repairs or keeps, so the result is never emptier than the reference.
        if (checked.isEmpty())
            __builtin_trap();
        orb::PlistCodec::parse(orb::PlistCodec::toXml(*parsed));
    }

    orb::fuzz::putFile("/settings/org.orbmeter.Fuzz.plist",
                       std::string_view(reinterpret_cast<const char *>(data), size));
    orb::SettingsStore store(QStringLiteral("org.orbmeter.Fuzz"),
                             QString::fromStdString(orb::fuzz::scratchRoot() + "/settings"));
    const QVariantMap values = store.snapshot();
    for (auto it = values.constBegin(); it != values.constEnd(); ++it)
        store.objectForKey(it.key());
    return 0;
}
