#include "platform/linux/desktop/GSettingsDesktopState.h"

#include "platform/linux/dbus/BusNameOwner.h"

#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

namespace {
Q_LOGGING_CATEGORY(lcGSettings, "kestrix.signals.desktop.gsettings", QtCriticalMsg)

constexpr int readTimeoutMs = 5000;
} // namespace

GSettingsDesktopState::GSettingsDesktopState(QDBusConnection sessionBus, Key key, QObject *parent)
    : DesktopStateSource(parent), m_bus(std::move(sessionBus)), m_key(std::move(key))
{}

GSettingsDesktopState::~GSettingsDesktopState()
{
    if (m_reader) {
        m_reader->disconnect(this);
        m_reader->kill();
        m_reader->waitForFinished(readTimeoutMs);
    }
}

bool GSettingsDesktopState::isSchemaInstalled(const QString &schema)
{
    // GLib's own search: $GSETTINGS_SCHEMA_DIR, then glib-2.0/schemas in each data folder.
    QStringList folders;
    const QString extra = qEnvironmentVariable("GSETTINGS_SCHEMA_DIR");
    if (!extra.isEmpty()) {
        folders += extra.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    }
    QString dataDirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (dataDirs.isEmpty()) {
        dataDirs = QStringLiteral("/usr/local/share:/usr/share");
    }
    QStringList dataFolders = dataDirs.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    dataFolders.prepend(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
    for (const QString &folder : dataFolders) {
        folders += QDir(folder).filePath(QStringLiteral("glib-2.0/schemas"));
    }
    const QString file = schema + QStringLiteral(".gschema.xml");
    for (const QString &folder : folders) {
        if (QFileInfo::exists(QDir(folder).filePath(file))) {
            return true;
        }
    }
    return false;
}

void GSettingsDesktopState::start()
{
    if (m_started) {
        return;
    }
    m_started = true;
    if (!isSchemaInstalled(m_key.schema)) {
        return;
    }
    m_program = QStandardPaths::findExecutable(QStringLiteral("gsettings"));
    if (m_program.isEmpty()) {
        qCDebug(lcGSettings) << "no gsettings tool to read" << m_key.schema;
        return;
    }
    // Only a match rule: listening never starts the dconf service.
    if (m_bus.isConnected()) {
        m_bus.connect(QString(), QStringLiteral("/ca/desrt/dconf/Writer/user"), QStringLiteral("ca.desrt.dconf.Writer"),
                      QStringLiteral("Notify"), this, SLOT(onDconfNotify(QString, QStringList, QString)));
    }
    if (m_key.obeyedBy.isEmpty()) {
        setObeyed(true);
        return;
    }
    // Without a bus there is no telling whether the desktop runs: the key stays unread.
    m_obeyer = std::make_unique<BusNameOwner>(m_bus, m_key.obeyedBy);
    connect(m_obeyer.get(), &BusNameOwner::presenceChanged, this, &GSettingsDesktopState::setObeyed);
}

void GSettingsDesktopState::setObeyed(bool obeyed)
{
    m_obeyed = obeyed;
    if (obeyed) {
        read();
    } else {
        setState(std::nullopt);
    }
}

void GSettingsDesktopState::onDconfNotify(const QString &prefix, const QStringList &changes, const QString &)
{
    // A write names a key, or a folder (ending in "/") when several keys under it changed.
    const auto covers = [this](const QString &path) {
        return path == m_key.dconfPath || (path.endsWith(QLatin1Char('/')) && m_key.dconfPath.startsWith(path));
    };
    bool affected = changes.isEmpty() && covers(prefix);
    for (const QString &change : changes) {
        affected = affected || covers(prefix + change);
    }
    if (affected && m_obeyed) {
        read();
    }
}

void GSettingsDesktopState::read()
{
    if (m_reader) {
        m_readAgain = true; // the answer under way may predate the write
        return;
    }
    m_reader = std::make_unique<QProcess>();
    m_reader->setProgram(m_program);
    m_reader->setArguments({QStringLiteral("get"), m_key.schema, m_key.name});
    m_reader->setStandardInputFile(QProcess::nullDevice());
    m_reader->setStandardErrorFile(QProcess::nullDevice());
    connect(m_reader.get(), &QProcess::finished, this, &GSettingsDesktopState::onReadFinished);
    connect(m_reader.get(), &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            onReadFinished();
        }
    });
    QTimer::singleShot(readTimeoutMs, m_reader.get(), &QProcess::kill);
    m_reader->start();
}

void GSettingsDesktopState::onReadFinished()
{
    std::unique_ptr<QProcess> reader = std::move(m_reader);
    reader->disconnect(this);
    const QByteArray answer = reader->readAllStandardOutput().trimmed();
    const bool succeeded = reader->exitStatus() == QProcess::NormalExit && reader->exitCode() == 0;
    reader.release()->deleteLater(); // may be inside its own signal
    // Absent too when the desktop left while the answer was under way.
    if (m_obeyed && succeeded && (answer == "true" || answer == "false")) {
        setState((answer == "true") != m_key.inverted);
    } else {
        setState(std::nullopt);
    }
    if (std::exchange(m_readAgain, false)) {
        read();
    }
}

void GSettingsDesktopState::setState(std::optional<bool> state)
{
    if (state == m_state) {
        return;
    }
    m_state = state;
    Q_EMIT stateChanged(state);
}

std::unique_ptr<DesktopStateSource> GSettingsDesktopState::gnomeDoNotDisturb(QDBusConnection sessionBus)
{
    return std::make_unique<GSettingsDesktopState>(
        std::move(sessionBus),
        Key{QStringLiteral("org.gnome.desktop.notifications"), QStringLiteral("show-banners"),
            QStringLiteral("/org/gnome/desktop/notifications/show-banners"), true, QStringLiteral("org.gnome.Shell")});
}
