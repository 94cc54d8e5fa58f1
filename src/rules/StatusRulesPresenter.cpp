#include "rules/StatusRulesPresenter.h"

#include <QCoreApplication>

#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace StatusRulesPresenter {

QString title()
{
    return QCoreApplication::translate("StatusRulesPresenter", "Status Rules");
}

QString reorderHint()
{
    return QCoreApplication::translate("StatusRulesPresenter",
                                       "Drag a rule by its handle, or press Ctrl+Shift+Up or Ctrl+Shift+Down to move "
                                       "the focused rule.");
}

QString caption()
{
    return QCoreApplication::translate("StatusRulesPresenter",
                                       "Highest priority first -- drag to reorder. The topmost enabled rule whose "
                                       "condition is currently true wins the LED.");
}

bool offersFinishStep(const QString &ruleId)
{
    return ruleId == QLatin1String("terminal_active") || ruleId == QLatin1String("ai_execution");
}

RuleRow ruleRow(const StatusRule &rule)
{
    const FinishStepConfig shown = rule.finishStep.value_or(FinishStepConfig{});
    RuleRow row;
    row.name = shownRuleName(rule.id, rule.displayName);
    row.isEnabled = rule.isEnabled;
    row.effect = rule.effect;
    row.color = HSVColor{rule.hue, rule.saturation, rule.value};
    row.showsFinishRow = offersFinishStep(rule.id);
    row.finishEnabled = rule.finishStep && rule.finishStep->isEnabled;
    row.showsFinishControls = row.showsFinishRow && row.finishEnabled;
    row.finishEffect = shown.effect;
    row.finishColor = HSVColor{shown.hue, shown.saturation, shown.value};
    row.finishSeconds = finishSeconds(shown.durationSeconds);
    row.finishDurationText = finishDurationText(row.finishSeconds);
    return row;
}

QString shownRuleName(const QString &ruleId, const QString &storedName)
{
    for (const StatusRule &builtIn : defaultStatusRules()) {
        if (builtIn.id == ruleId) {
            return storedName == builtIn.displayName
                       ? QCoreApplication::translate("StatusRule", builtIn.displayName.toUtf8().constData())
                       : storedName;
        }
    }
    return storedName;
}

QString finishDurationText(int seconds)
{
    //: seconds, as the finish step's stepper shows them
    return QCoreApplication::translate("StatusRulesPresenter", "%1s").arg(seconds);
}

int finishSeconds(double durationSeconds)
{
    // Stored data may hold any number, NaN included; the stepper shows whole seconds in its range.
    if (!std::isfinite(durationSeconds)) {
        return durationSeconds > 0 ? finishSecondsMaximum : finishSecondsMinimum;
    }
    const double whole = std::trunc(durationSeconds);
    return static_cast<int>(std::clamp(whole, double(finishSecondsMinimum), double(finishSecondsMaximum)));
}

QString enabledAccessibleName(const QString &ruleName)
{
    return QCoreApplication::translate("StatusRulesPresenter", "%1 enabled").arg(ruleName);
}

QString effectAccessibleName(const QString &ruleName)
{
    return QCoreApplication::translate("StatusRulesPresenter", "%1 effect").arg(ruleName);
}

QString colorAccessibleName(const QString &ruleName)
{
    return QCoreApplication::translate("StatusRulesPresenter", "%1 color").arg(ruleName);
}

QString finishEffectAccessibleName(const QString &ruleName)
{
    return QCoreApplication::translate("StatusRulesPresenter", "%1 finish effect").arg(ruleName);
}

QString finishSwitchAccessibleName(const QString &ruleName)
{
    return QCoreApplication::translate("StatusRulesPresenter", "Finish effect for %1").arg(ruleName);
}

QString finishColorAccessibleName(const QString &ruleName)
{
    return QCoreApplication::translate("StatusRulesPresenter", "%1 finish color").arg(ruleName);
}

QString finishDurationAccessibleName(const QString &ruleName)
{
    return QCoreApplication::translate("StatusRulesPresenter", "%1 finish duration in seconds").arg(ruleName);
}

QString calendarSummary(const QList<CalendarInfo> &calendars, const QSet<QString> &excluded)
{
    const auto total = calendars.size();
    const auto included = std::count_if(calendars.begin(), calendars.end(),
                                        [&](const CalendarInfo &calendar) { return !excluded.contains(calendar.id); });
    if (included == total) {
        return QCoreApplication::translate("StatusRulesPresenter", "All Calendars");
    }
    if (included == 0) {
        return QCoreApplication::translate("StatusRulesPresenter", "No Calendars");
    }
    return QCoreApplication::translate("StatusRulesPresenter", "Calendars (%1/%2)").arg(included).arg(total);
}

CalendarsLine calendarsLine(const QList<CalendarInfo> &calendars, const QSet<QString> &excluded,
                            const QStringList &userAddresses)
{
    CalendarsLine line;
    line.isShown = !calendars.isEmpty();
    line.caption =
        QCoreApplication::translate("StatusRulesPresenter", "Calendars included in Meeting Soon / In Meeting:");
    line.summary = calendarSummary(calendars, excluded);
    for (const CalendarInfo &calendar : calendars) {
        line.items.append(CalendarItem{calendar.id, calendar.title, !excluded.contains(calendar.id)});
    }
    line.userAddresses = userAddressesText(userAddresses);
    return line;
}

QString userAddressesLabel()
{
    return QCoreApplication::translate("StatusRulesPresenter", "Your addresses:");
}

QString userAddressesPlaceholder()
{
    return QCoreApplication::translate("StatusRulesPresenter", "you@example.com, you@work.example");
}

QString userAddressesHint()
{
    return QCoreApplication::translate("StatusRulesPresenter",
                                       "The addresses your meeting invitations go to, separated by commas. Meetings "
                                       "you declined under one of them do not count.");
}

QString userAddressesText(const QStringList &addresses)
{
    return addresses.join(QStringLiteral(", "));
}

QStringList parseUserAddresses(const QString &text)
{
    static const QRegularExpression separators(QStringLiteral("[,;\\s]+"));
    QStringList addresses;
    for (const QString &part : text.split(separators, Qt::SkipEmptyParts)) {
        if (!addresses.contains(part, Qt::CaseInsensitive)) {
            addresses.append(part);
        }
    }
    return addresses;
}

} // namespace StatusRulesPresenter
