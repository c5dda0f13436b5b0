#include "app/DefaultsCommand.h"

#include "settings/SettingsStore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QRegularExpression>

namespace orb {
namespace {

QString quoted(const QString &s)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_./-]+$"));
    if (plain.match(s).hasMatch())
        return s;
    QString e = s;
    e.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char('"'), QStringLiteral("\\\""));
    e.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    return QLatin1Char('"') + e + QLatin1Char('"');
}

int usage(QTextStream &err)
{
    err << "usage: orbmeter defaults [--json] [--domain D] read [KEY]\n"
           "       orbmeter defaults [--domain D] write KEY -bool|-int|-float|-string VALUE\n"
           "       orbmeter defaults [--domain D] delete KEY\n";
    return 2;
}

} // namespace

QString DefaultsCommand::describe(const QVariant &value, int indent)
{
    const QString pad(indent, QLatin1Char(' '));
    const QString inner(indent + 4, QLatin1Char(' '));
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    case QMetaType::LongLong:
    case QMetaType::Int:
        return QString::number(value.toLongLong());
    case QMetaType::Double:
        return QString::number(value.toDouble(), 'g', 17);
    case QMetaType::QByteArray:
        return QLatin1Char('{') + QStringLiteral("length = %1, bytes = 0x").arg(value.toByteArray().size())
            + QString::fromLatin1(value.toByteArray().left(32).toHex()) + QLatin1Char('}');
    case QMetaType::QVariantList: {
        const QVariantList list = value.toList();
        if (list.isEmpty())
            return QStringLiteral("(\n%1)").arg(pad);
        QStringList parts;
        for (const QVariant &item : list)
            parts << inner + describe(item, indent + 4);
        return QStringLiteral("(\n") + parts.join(QStringLiteral(",\n")) + QLatin1Char('\n') + pad + QLatin1Char(')');
    }
    case QMetaType::QVariantMap: {
        const QVariantMap map = value.toMap();
        QString s = QStringLiteral("{\n");
        for (auto it = map.cbegin(); it != map.cend(); ++it)
            s += inner + quoted(it.key()) + QStringLiteral(" = ") + describe(it.value(), indent + 4) + QStringLiteral(";\n");
        return s + pad + QLatin1Char('}');
    }
    default:
        return quoted(value.toString());
    }
}

int DefaultsCommand::run(const QStringList &argsIn, QTextStream &out, QTextStream &err)
{
    QStringList args = argsIn;
    QString domain = QString::fromLatin1(SettingsStore::kOwnDomain);
    bool json = false;
    for (int i = 0; i < args.size();) {
        if (args[i] == QLatin1String("--domain") && i + 1 < args.size()) {
            domain = args[i + 1];
            args.remove(i, 2);
        } else if (args[i] == QLatin1String("--json")) {
            json = true;
            args.remove(i);
        } else {
            ++i;
        }
    }
    // A domain names a file in our settings directory: no path separators or dot-files.
    if (domain.isEmpty() || domain.contains(QLatin1Char('/')) || domain.startsWith(QLatin1Char('.'))) {
        err << "orbmeter defaults: invalid domain name\n";
        return 2;
    }
    if (args.isEmpty())
        return usage(err);
    auto store = SettingsStore::open(domain);
    const QString verb = args.takeFirst();

    if (verb == QLatin1String("read")) {
        if (args.size() > 1)
            return usage(err);
        QVariant value = args.isEmpty() ? QVariant(store->snapshot()) : store->objectForKey(args.first());
        if (!value.isValid()) {
            err << "The domain/default pair of (" << domain << ", " << args.first() << ") does not exist\n";
            return 1;
        }
        if (json) {
            if (value.typeId() == QMetaType::QByteArray)
                value = QString::fromLatin1(value.toByteArray().toBase64());
            const QJsonValue jv = QJsonValue::fromVariant(value);
            if (jv.isObject())
                out << QJsonDocument(jv.toObject()).toJson(QJsonDocument::Compact) << '\n';
            else if (jv.isArray())
                out << QJsonDocument(jv.toArray()).toJson(QJsonDocument::Compact) << '\n';
            else {
                QJsonArray wrap{jv};
                const QByteArray text = QJsonDocument(wrap).toJson(QJsonDocument::Compact);
                out << text.mid(1, text.size() - 2) << '\n';
            }
        } else {
            out << describe(value) << '\n';
        }
        return 0;
    }
    if (verb == QLatin1String("write")) {
        if (args.size() != 3)
            return usage(err);
        const QString &key = args[0];
        const QString &type = args[1];
        const QString &text = args[2];
        bool ok = true;
        if (type == QLatin1String("-bool") || type == QLatin1String("-boolean")) {
            const QString t = text.toLower();
            if (t == QLatin1String("true") || t == QLatin1String("yes") || t == QLatin1String("1"))
                store->setBool(key, true);
            else if (t == QLatin1String("false") || t == QLatin1String("no") || t == QLatin1String("0"))
                store->setBool(key, false);
            else
                ok = false;
        } else if (type == QLatin1String("-int") || type == QLatin1String("-integer")) {
            const qint64 v = text.toLongLong(&ok);
            if (ok)
                store->setInteger(key, v);
        } else if (type == QLatin1String("-float")) {
            const double v = text.toDouble(&ok);
            if (ok)
                store->setDouble(key, v);
        } else if (type == QLatin1String("-string")) {
            store->setString(key, text);
        } else {
            return usage(err);
        }
        if (!ok) {
            err << "orbmeter defaults: \"" << text << "\" is not a valid " << type.mid(1) << " value\n";
            return 2;
        }
        if (!store->synchronize()) {
            err << "orbmeter defaults: could not save " << store->filePath() << '\n';
            return 1;
        }
        return 0;
    }
    if (verb == QLatin1String("delete")) {
        if (args.size() != 1)
            return usage(err);
        if (!store->contains(args.first())) {
            err << "The domain/default pair of (" << domain << ", " << args.first() << ") does not exist\n";
            return 1;
        }
        store->removeObjectForKey(args.first());
        return store->synchronize() ? 0 : 1;
    }
    return usage(err);
}

} // namespace orb
