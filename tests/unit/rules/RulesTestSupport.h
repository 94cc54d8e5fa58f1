#pragma once

#include "rules/StatusRule.h"
#include "support/TestMain.h"
#include "util/AppSettings.h"

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <vector>

// The ids of rules, in order.
inline QStringList ids(const std::vector<StatusRule> &rules)
{
    QStringList out;
    for (const StatusRule &rule : rules) {
        out.append(rule.id);
    }
    return out;
}

// Points the settings file into a fresh temporary folder for the lifetime of the object, so no
// test reads or writes the user's configuration or another test's.
struct TemporaryConfigHome {
    TemporaryConfigHome()
    {
        QVERIFY(dir.isValid());
        qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("config")).toUtf8());
    }

    static void store(const QString &key, const QVariant &value) { AppSettings::open()->setValue(key, value); }
    static QVariant stored(const QString &key) { return AppSettings::open()->value(key); }
    // The settings file as written to disk.
    QByteArray fileText() const
    {
        QFile file(dir.filePath(QStringLiteral("config/io.tamsel.desktop.conf")));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir dir;
};

inline StatusRule &ruleIn(std::vector<StatusRule> &rules, const char *id)
{
    return *std::find_if(rules.begin(), rules.end(),
                         [&](const StatusRule &rule) { return rule.id == QLatin1String(id); });
}
