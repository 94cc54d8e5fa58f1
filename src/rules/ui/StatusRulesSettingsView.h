#pragma once

#include <QWidget>

class CalendarWatcher;
class QLabel;
class QLineEdit;
class QMenu;
class QToolButton;
class StatusRuleListModel;
class StatusRuleListView;
class StatusRulesEngine;

// The content of the "Status Rules" window: the engine's rules in priority order, reorderable,
// each with its switch, effect and colour (and the finish step where offered); below them, while
// there are calendars, which calendars count for meetings and the addresses that identify the user
// among a meeting's attendees. Holds no state of its own: every control reads from and writes to
// the engine or the calendar watcher, and every change is stored and applied at once. Renders
// StatusRulesPresenter's results on every change of either.
class StatusRulesSettingsView : public QWidget {
    Q_OBJECT
public:
    static constexpr char windowId[] = "status-rules-settings";

    // The engine and the watcher must outlive the view.
    StatusRulesSettingsView(StatusRulesEngine &engine, CalendarWatcher &calendar, QWidget *parent = nullptr);
    ~StatusRulesSettingsView() override;

    StatusRuleListModel &model() const { return *m_model; }
    StatusRuleListView &list() const { return *m_list; }

private:
    void renderRows();
    void renderCalendars();
    void applyUserAddresses();

    StatusRulesEngine &m_engine;
    CalendarWatcher &m_calendar;
    StatusRuleListModel *m_model = nullptr;
    StatusRuleListView *m_list = nullptr;
    QWidget *m_calendarsLine = nullptr;
    QLabel *m_calendarsCaption = nullptr;
    QToolButton *m_calendarsButton = nullptr;
    QMenu *m_calendarsMenu = nullptr;
    QWidget *m_addressesLine = nullptr;
    QLabel *m_addressesLabel = nullptr;
    QLineEdit *m_addresses = nullptr;
};
