#pragma once

#include "device/HSVColor.h"
#include "rules/StatusRule.h"
#include "signals/CalendarStore.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

// Texts, values and visibility of the status rules window, computed from the engine's rules and
// the calendar watcher's published values only.
namespace StatusRulesPresenter {

QString title(); // "Status Rules", also the headline
QString caption();
// How to reorder without a mouse, for the list's tooltip and accessible description.
QString reorderHint();

// The finish step is offered only for rules whose signal comes from scripts, where a short
// "done" look after the end is useful: "terminal_active" and "ai_execution".
bool offersFinishStep(const QString &ruleId);

// A rule's name as shown: a built-in rule that still has its own name reads in the user's language;
// a name the user or a script gave is shown as stored. The stored name is never changed.
QString shownRuleName(const QString &ruleId, const QString &storedName);

struct RuleRow {
    QString name;
    bool isEnabled = false;
    LEDEffect effect = LEDEffect::solid;
    HSVColor color;
    // The finish-step line exists (the rule offers one) ...
    bool showsFinishRow = false;
    // ... its switch is on (false without a finish step) ...
    bool finishEnabled = false;
    // ... and only then the effect, colour and duration controls show.
    bool showsFinishControls = false;
    // Without a finish step these are the defaults a new one would get.
    LEDEffect finishEffect = LEDEffect::breatheSlow;
    HSVColor finishColor;
    int finishSeconds = 5;      // the stepper's value, within 1 to 60
    QString finishDurationText; // "5s"

    friend bool operator==(const RuleRow &, const RuleRow &) = default;
};
RuleRow ruleRow(const StatusRule &rule);

// The stepper's range for a finish step's duration, in whole seconds.
inline constexpr int finishSecondsMinimum = 1;
inline constexpr int finishSecondsMaximum = 60;
// "5s": the whole seconds of a duration, as the stepper shows them.
QString finishDurationText(int seconds);
// A stored duration as the stepper's whole seconds, within its range.
int finishSeconds(double durationSeconds);

// Accessible names of a row's controls, which show no text of their own.
QString enabledAccessibleName(const QString &ruleName);
QString effectAccessibleName(const QString &ruleName);
QString colorAccessibleName(const QString &ruleName);
QString finishEffectAccessibleName(const QString &ruleName);
// The "Finish effect" switch: its visible text and the rule it belongs to.
QString finishSwitchAccessibleName(const QString &ruleName);
QString finishColorAccessibleName(const QString &ruleName);
QString finishDurationAccessibleName(const QString &ruleName);

struct CalendarItem {
    QString id;
    QString title;
    bool isIncluded = false;

    friend bool operator==(const CalendarItem &, const CalendarItem &) = default;
};
struct CalendarsLine {
    // Only when there is at least one calendar.
    bool isShown = false;
    QString caption;
    // "All Calendars", "No Calendars", or "Calendars (3/5)".
    QString summary;
    // One per calendar, in the given order.
    QList<CalendarItem> items;
    // The user's addresses as the field shows them: comma-separated.
    QString userAddresses;

    friend bool operator==(const CalendarsLine &, const CalendarsLine &) = default;
};
CalendarsLine calendarsLine(const QList<CalendarInfo> &calendars, const QSet<QString> &excluded,
                            const QStringList &userAddresses);
QString calendarSummary(const QList<CalendarInfo> &calendars, const QSet<QString> &excluded);

QString userAddressesLabel();
QString userAddressesPlaceholder();
QString userAddressesHint();
// The addresses as the field shows them: separated by a comma and a space.
QString userAddressesText(const QStringList &addresses);
// The field's text as a list: split at commas (and white space), empty parts dropped, each address
// once, compared without regard to case.
QStringList parseUserAddresses(const QString &text);

} // namespace StatusRulesPresenter
