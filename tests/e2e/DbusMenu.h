#pragma once

#include <QDBusArgument>
#include <QDBusVariant>
#include <QList>
#include <QString>
#include <QVariantMap>

// One entry of a menu exported over com.canonical.dbusmenu, as GetLayout gives it: (ia{sv}av).
struct MenuNode {
    int id = 0;
    QVariantMap properties;
    QList<MenuNode> children;

    QString label() const { return properties.value(QStringLiteral("label")).toString(); }
    bool isVisible() const { return properties.value(QStringLiteral("visible"), true).toBool(); }
    bool isEnabled() const { return properties.value(QStringLiteral("enabled"), true).toBool(); }
    bool isSeparator() const
    {
        return properties.value(QStringLiteral("type")).toString() == QLatin1String("separator");
    }

    const MenuNode *find(const QString &text) const
    {
        if (label() == text) {
            return this;
        }
        for (const MenuNode &child : children) {
            if (const MenuNode *found = child.find(text)) {
                return found;
            }
        }
        return nullptr;
    }
};

inline MenuNode readNode(const QDBusArgument &argument)
{
    MenuNode node;
    argument.beginStructure();
    argument >> node.id >> node.properties;
    argument.beginArray();
    while (!argument.atEnd()) {
        QDBusVariant child;
        argument >> child;
        node.children << readNode(child.variant().value<QDBusArgument>());
    }
    argument.endArray();
    argument.endStructure();
    return node;
}
