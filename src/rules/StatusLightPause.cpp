#include "rules/StatusLightPause.h"

#include "rules/StatusRulesEngine.h"
#include "util/AppSettings.h"
#include "util/Logging.h"

#include <algorithm>

StatusLightPause::StatusLightPause(StatusRulesEngine &engine, QObject *parent)
    : StatusLightPause(engine, Options{}, parent)
{}

StatusLightPause::StatusLightPause(StatusRulesEngine &engine, Options options, QObject *parent)
    : QObject(parent), m_engine(engine), m_options(std::move(options))
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &StatusLightPause::checkEnd);

    const QString stored = AppSettings::open()->value(pausedUntilKey()).toString();
    if (stored.isEmpty()) {
        return;
    }
    const QDateTime end = QDateTime::fromString(stored, Qt::ISODateWithMs);
    if (end.isValid() && end > now()) {
        qCInfo(lcRules, "the status light stays paused until %s", qUtf8Printable(end.toLocalTime().toString()));
        m_pausedUntil = end;
        m_engine.setOnHold(true);
        armTimer();
    } else {
        // Over while the app was not running, or not a time at all: nothing to keep.
        AppSettings::open()->remove(pausedUntilKey());
    }
}

StatusLightPause::~StatusLightPause() = default;

QString StatusLightPause::pausedUntilKey()
{
    return QStringLiteral("statusLight.pausedUntil");
}

QDateTime StatusLightPause::now() const
{
    return m_options.now ? m_options.now() : QDateTime::currentDateTime();
}

QDateTime StatusLightPause::nextMorning(const QDateTime &now)
{
    const QDateTime local = now.toLocalTime();
    QDateTime morning(local.date(), QTime(morningHour, 0));
    if (morning <= local) {
        morning = QDateTime(local.date().addDays(1), QTime(morningHour, 0));
    }
    return morning;
}

void StatusLightPause::pauseFor(std::chrono::minutes duration)
{
    pauseUntil(now().addSecs(std::chrono::duration_cast<std::chrono::seconds>(duration).count()));
}

void StatusLightPause::pauseUntilTomorrow()
{
    pauseUntil(nextMorning(now()));
}

void StatusLightPause::pauseUntil(const QDateTime &end)
{
    qCInfo(lcRules, "status light paused until %s", qUtf8Printable(end.toLocalTime().toString()));
    set(end);
}

void StatusLightPause::resume()
{
    if (!m_pausedUntil) {
        return;
    }
    qCInfo(lcRules, "status light resumed");
    set(std::nullopt);
}

void StatusLightPause::set(std::optional<QDateTime> end)
{
    m_pausedUntil = std::move(end);
    {
        auto settings = AppSettings::open();
        if (m_pausedUntil) {
            settings->setValue(pausedUntilKey(), m_pausedUntil->toUTC().toString(Qt::ISODateWithMs));
        } else {
            settings->remove(pausedUntilKey());
        }
    }
    if (m_pausedUntil) {
        armTimer();
    } else {
        m_timer.stop();
    }
    Q_EMIT pausedUntilChanged();
    m_engine.setOnHold(m_pausedUntil.has_value());
}

void StatusLightPause::armTimer()
{
    const qint64 left = std::max<qint64>(0, now().msecsTo(*m_pausedUntil));
    m_timer.start(static_cast<int>(std::min<qint64>(left, m_options.recheckInterval.count())));
}

void StatusLightPause::checkEnd()
{
    if (!m_pausedUntil) {
        return;
    }
    if (now() >= *m_pausedUntil) {
        qCInfo(lcRules, "status light pause over");
        set(std::nullopt);
    } else {
        armTimer();
    }
}
