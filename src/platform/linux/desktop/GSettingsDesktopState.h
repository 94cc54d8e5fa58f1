#pragma once

#include "signals/DesktopStateSource.h"

#include <QDBusConnection>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class BusNameOwner;
class QProcess;

// A boolean GSettings key as a desktop state, without linking GLib: the value is read with the
// `gsettings` tool, again whenever the dconf service announces a write under the key on the
// session bus (dconf is where GNOME keeps its settings). Absent while the schema is not installed,
// the tool is missing, its answer is not a boolean, or the desktop that obeys the key is not on the
// bus: the setting outlives its desktop, and means nothing under another one. Main thread only.
class GSettingsDesktopState : public DesktopStateSource {
    Q_OBJECT
public:
    struct Key {
        QString schema;        // "org.gnome.desktop.notifications"
        QString name;          // "show-banners"
        QString dconfPath;     // where dconf keeps it: "/org/gnome/desktop/notifications/show-banners"
        bool inverted = false; // the state holds while the key is false
        // The name on the session bus of the program that obeys the key ("org.gnome.Shell"); the
        // key counts only while that name has an owner. Empty: always.
        QString obeyedBy;
    };

    GSettingsDesktopState(QDBusConnection sessionBus, Key key, QObject *parent = nullptr);
    ~GSettingsDesktopState() override;

    void start() override;

    // GNOME's do not disturb: notification banners switched off, while the shell that shows them runs.
    static std::unique_ptr<DesktopStateSource> gnomeDoNotDisturb(QDBusConnection sessionBus);

    // Whether the schema's source file is in one of the folders GLib reads schemas from.
    static bool isSchemaInstalled(const QString &schema);

private Q_SLOTS:
    void onDconfNotify(const QString &prefix, const QStringList &changes, const QString &tag);

private:
    void setObeyed(bool obeyed);
    void read();
    void onReadFinished();
    void setState(std::optional<bool> state);

    QDBusConnection m_bus;
    Key m_key;
    QString m_program;
    std::unique_ptr<BusNameOwner> m_obeyer;
    bool m_obeyed = false;
    std::unique_ptr<QProcess> m_reader;
    bool m_readAgain = false;
    std::optional<bool> m_state;
    bool m_started = false;
};
