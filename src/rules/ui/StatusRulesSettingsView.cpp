#include "rules/ui/StatusRulesSettingsView.h"

#include "device/ui/Hsv255.h"
#include "rules/StatusRulesEditing.h"
#include "rules/StatusRulesEngine.h"
#include "rules/StatusRulesPresenter.h"
#include "rules/ui/StatusRuleListModel.h"
#include "rules/ui/StatusRuleListView.h"
#include "rules/ui/StatusRuleRowWidget.h"
#include "signals/CalendarWatcher.h"
#include "ui/MenuText.h"
#include "ui/TextStyles.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSignalBlocker>
#include <QToolButton>

#include <QVBoxLayout>
#include <algorithm>

namespace {

constexpr int rulesWindowWidth = 440;
constexpr int rulesWindowHeight = 480;
constexpr int calendarsMenuMaxWidth = 160;

QFont caption(QFont font)
{
    font.setPointSizeF(font.pointSizeF() * TextStyles::captionScale);
    return font;
}

void makeCaption(QLabel &label)
{
    label.setFont(caption(label.font()));
    label.setForegroundRole(QPalette::PlaceholderText);
}

} // namespace

StatusRulesSettingsView::StatusRulesSettingsView(StatusRulesEngine &engine, CalendarWatcher &calendar, QWidget *parent)
    : QWidget(parent), m_engine(engine), m_calendar(calendar)
{
    namespace P = StatusRulesPresenter;
    setWindowTitle(P::title());
    // The designed size to start with; the layout's minimum keeps larger text from clipping.
    resize(rulesWindowWidth, rulesWindowHeight);

    auto *stack = new QVBoxLayout(this);
    stack->setSpacing(8);

    auto *headline = new QLabel(P::title(), this);
    QFont bold = headline->font();
    bold.setBold(true);
    headline->setFont(bold);
    stack->addWidget(headline);

    auto *captionLabel = new QLabel(P::caption(), this);
    captionLabel->setWordWrap(true);
    makeCaption(*captionLabel);
    stack->addWidget(captionLabel);

    m_model = new StatusRuleListModel(engine, this);
    const auto makeRow = [this](const QPersistentModelIndex &index, QWidget *rowParent) {
        const QString id = index.data(StatusRuleListModel::RuleIdRole).toString();
        auto *row = new StatusRuleRowWidget(P::offersFinishStep(id), rowParent);
        // Each intent acts on the row's position at that moment; a row gone meanwhile writes nothing.
        const auto write = [this, index](auto edit) {
            edit(m_engine, index.isValid() ? index.row() : -1);
            renderRows();
        };
        connect(row, &StatusRuleRowWidget::enabledRequested, this,
                [write](bool on) { write([on](auto &e, int r) { StatusRulesEditing::setRuleEnabled(e, r, on); }); });
        connect(row, &StatusRuleRowWidget::effectRequested, this, [write](LEDEffect effect) {
            write([effect](auto &e, int r) { StatusRulesEditing::setRuleEffect(e, r, effect); });
        });
        connect(row, &StatusRuleRowWidget::colorRequested, this, [write](const QColor &color) {
            if (const auto hsv = hsv255(color)) {
                write([hsv](auto &e, int r) {
                    StatusRulesEditing::setRuleColor(e, r, hsv->hue, hsv->saturation, hsv->value);
                });
            }
        });
        connect(row, &StatusRuleRowWidget::finishEnabledRequested, this,
                [write](bool on) { write([on](auto &e, int r) { StatusRulesEditing::setFinishEnabled(e, r, on); }); });
        connect(row, &StatusRuleRowWidget::finishEffectRequested, this, [write](LEDEffect effect) {
            write([effect](auto &e, int r) { StatusRulesEditing::setFinishEffect(e, r, effect); });
        });
        connect(row, &StatusRuleRowWidget::finishColorRequested, this, [write](const QColor &color) {
            if (const auto hsv = hsv255(color)) {
                write([hsv](auto &e, int r) {
                    StatusRulesEditing::setFinishColor(e, r, hsv->hue, hsv->saturation, hsv->value);
                });
            }
        });
        connect(row, &StatusRuleRowWidget::finishSecondsRequested, this, [write](int seconds) {
            write([seconds](auto &e, int r) { StatusRulesEditing::setFinishDuration(e, r, seconds); });
        });
        const auto &rules = m_engine.rules();
        if (index.row() < static_cast<int>(rules.size())) {
            row->render(P::ruleRow(rules[static_cast<std::size_t>(index.row())]));
        }
        return row;
    };
    m_list = new StatusRuleListView(*m_model, makeRow, this);
    m_list->setAccessibleName(P::title());
    m_list->setAccessibleDescription(P::reorderHint());
    m_list->setToolTip(P::reorderHint());
    stack->addWidget(m_list, 1);
    connect(m_model, &QAbstractItemModel::dataChanged, this, &StatusRulesSettingsView::renderRows);

    m_calendarsLine = new QWidget(this);
    auto *calendarsRow = new QHBoxLayout(m_calendarsLine);
    calendarsRow->setContentsMargins(0, 0, 0, 0);
    m_calendarsCaption = new QLabel(m_calendarsLine);
    makeCaption(*m_calendarsCaption);
    calendarsRow->addWidget(m_calendarsCaption);
    m_calendarsButton = new QToolButton(m_calendarsLine);
    m_calendarsButton->setPopupMode(QToolButton::InstantPopup);
    m_calendarsButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_calendarsButton->setMaximumWidth(calendarsMenuMaxWidth);
    m_calendarsMenu = new QMenu(m_calendarsButton);
    m_calendarsButton->setMenu(m_calendarsMenu);
    calendarsRow->addWidget(m_calendarsButton);
    calendarsRow->addStretch(1);
    stack->addWidget(m_calendarsLine);

    m_addressesLine = new QWidget(this);
    auto *addressesRow = new QHBoxLayout(m_addressesLine);
    addressesRow->setContentsMargins(0, 0, 0, 0);
    m_addressesLabel = new QLabel(P::userAddressesLabel(), m_addressesLine);
    makeCaption(*m_addressesLabel);
    addressesRow->addWidget(m_addressesLabel);
    m_addresses = new QLineEdit(m_addressesLine);
    m_addresses->setPlaceholderText(P::userAddressesPlaceholder());
    m_addresses->setAccessibleName(P::userAddressesLabel());
    m_addresses->setToolTip(P::userAddressesHint());
    m_addressesLabel->setBuddy(m_addresses);
    addressesRow->addWidget(m_addresses, 1);
    stack->addWidget(m_addressesLine);
    connect(m_addresses, &QLineEdit::editingFinished, this, &StatusRulesSettingsView::applyUserAddresses);

    connect(&calendar, &CalendarWatcher::availableCalendarsChanged, this, &StatusRulesSettingsView::renderCalendars);
    connect(&calendar, &CalendarWatcher::excludedCalendarIDsChanged, this, &StatusRulesSettingsView::renderCalendars);
    connect(&calendar, &CalendarWatcher::userAddressesChanged, this, &StatusRulesSettingsView::renderCalendars);
    renderCalendars();
}

StatusRulesSettingsView::~StatusRulesSettingsView()
{
    // Tearing down the children moves the focus, and the address field reports a focus loss as a
    // finished edit: none of that may reach this half-destroyed view.
    disconnect(m_addresses, nullptr, this, nullptr);
    disconnect(m_model, nullptr, this, nullptr);
}

void StatusRulesSettingsView::renderRows()
{
    const auto &rules = m_engine.rules();
    for (int row = 0; row < m_model->rowCount() && row < static_cast<int>(rules.size()); ++row) {
        if (StatusRuleRowWidget *widget = m_list->rowWidget(row)) {
            widget->render(StatusRulesPresenter::ruleRow(rules[static_cast<std::size_t>(row)]));
        }
    }
}

void StatusRulesSettingsView::renderCalendars()
{
    const StatusRulesPresenter::CalendarsLine line = StatusRulesPresenter::calendarsLine(
        m_calendar.availableCalendars(), m_calendar.excludedCalendarIDs(), m_calendar.userAddresses());
    m_calendarsLine->setVisible(line.isShown);
    m_addressesLine->setVisible(line.isShown);
    m_calendarsCaption->setText(line.caption);
    m_calendarsButton->setText(MenuText::literal(line.summary));
    // Never narrower than its summary, which larger text or another language makes wider.
    m_calendarsButton->setMaximumWidth(QWIDGETSIZE_MAX);
    m_calendarsButton->setMaximumWidth(std::max(calendarsMenuMaxWidth, m_calendarsButton->sizeHint().width()));
    m_calendarsButton->setAccessibleName(line.caption + QLatin1Char(' ') + line.summary);

    // The menu's items are remade only when the calendars change: an item's own toggle leads here
    // too, and must not delete the action that is still delivering it.
    const QList<QAction *> actions = m_calendarsMenu->actions();
    bool sameCalendars = actions.size() == line.items.size();
    for (qsizetype i = 0; sameCalendars && i < actions.size(); ++i) {
        sameCalendars = actions[i]->data().toString() == line.items[i].id;
    }
    if (!sameCalendars) {
        m_calendarsMenu->clear();
        for (const StatusRulesPresenter::CalendarItem &item : line.items) {
            QAction *action = m_calendarsMenu->addAction(MenuText::literal(item.title));
            action->setCheckable(true);
            action->setData(item.id);
            connect(action, &QAction::toggled, this, [this, id = item.id](bool included) {
                QSet<QString> excluded = m_calendar.excludedCalendarIDs();
                if (included) {
                    excluded.remove(id);
                } else {
                    excluded.insert(id);
                }
                m_calendar.setExcludedCalendarIDs(excluded);
            });
        }
    }
    const QList<QAction *> current = m_calendarsMenu->actions();
    for (qsizetype i = 0; i < current.size(); ++i) {
        const QSignalBlocker block(current[i]);
        current[i]->setText(MenuText::literal(line.items[i].title));
        current[i]->setChecked(line.items[i].isIncluded);
    }

    if (!m_addresses->hasFocus() || !m_addresses->isModified()) {
        m_addresses->setText(line.userAddresses);
        m_addresses->setModified(false);
    }
}

void StatusRulesSettingsView::applyUserAddresses()
{
    if (!m_addresses->isModified()) {
        return;
    }
    m_addresses->setModified(false);
    const QStringList addresses = StatusRulesPresenter::parseUserAddresses(m_addresses->text());
    if (addresses != m_calendar.userAddresses()) {
        m_calendar.setUserAddresses(addresses);
    }
    m_addresses->setText(StatusRulesPresenter::userAddressesText(m_calendar.userAddresses()));
}
