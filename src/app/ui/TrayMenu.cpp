#include "app/ui/TrayMenu.h"

#include "app/ui/MenuController.h"
#include "ui/MenuText.h"

#include <QAction>
#include <QCoreApplication>

using MenuPresenter::MenuItem;
using MenuPresenter::MenuView;

namespace {

void apply(QAction *action, const MenuItem &item)
{
    action->setText(TrayMenu::menuText(item.text));
    action->setVisible(item.visible);
    action->setEnabled(item.enabled);
}

} // namespace

TrayMenu::TrayMenu(MenuController &controller, QWidget *parent) : QMenu(parent), m_controller(controller)
{
    setTitle(QStringLiteral("Kestrix"));
    bind([](const MenuView &v) -> const MenuItem & { return v.micLine; });
    bind([](const MenuView &v) -> const MenuItem & { return v.toggleMicMute; });
    addSeparator();
    m_presetMenu = addMenu(QCoreApplication::translate("TrayMenu", "Preset"));
    fillPresets(m_presetMenu->addMenu(QCoreApplication::translate("TrayMenu", "System")), false);
    fillPresets(m_presetMenu->addMenu(QCoreApplication::translate("TrayMenu", "Media")), true);
    bind([](const MenuView &v) -> const MenuItem & { return v.presetNotice; });
    bind([](const MenuView &v) -> const MenuItem & { return v.customShortcut; });
    bind([](const MenuView &v) -> const MenuItem & { return v.rgbSettings; });
    bind([](const MenuView &v) -> const MenuItem & { return v.statusRules; });
    m_pauseMenu = addMenu(QString());
    for (std::size_t i = 0; i < m_controller.view().pauseItems.size(); ++i) {
        if (i + 1 == m_controller.view().pauseItems.size()) {
            m_resumeDivider = m_pauseMenu->addSeparator(); // before "Resume"
        }
        QAction *action = m_pauseMenu->addAction(QString());
        m_pauseActions.push_back(action);
        connect(action, &QAction::triggered, this, [this, i] {
            const MenuView &current = m_controller.view();
            if (i < current.pauseItems.size()) {
                m_controller.perform(current.pauseItems[i]);
            }
        });
    }
    bind([](const MenuView &v) -> const MenuItem & { return v.timer; });
    bind([](const MenuView &v) -> const MenuItem & { return v.advancedSetup; });
    bind([](const MenuView &v) -> const MenuItem & { return v.featureRequest; });
    addSeparator();
    bind([](const MenuView &v) -> const MenuItem & { return v.deviceStatus; });
    bind([](const MenuView &v) -> const MenuItem & { return v.accessHint; });
    addSeparator();
    bind([](const MenuView &v) -> const MenuItem & { return v.appVersion; });
    bind([](const MenuView &v) -> const MenuItem & { return v.appUpdate; });
    m_firmwareDivider = addSeparator();
    bind([](const MenuView &v) -> const MenuItem & { return v.firmwareUpdate; });
    addSeparator();
    bind([](const MenuView &v) -> const MenuItem & { return v.uninstall; });
    bind([](const MenuView &v) -> const MenuItem & { return v.terms; });
    bind([](const MenuView &v) -> const MenuItem & { return v.quit; });

    connect(&m_controller, &MenuController::viewChanged, this, &TrayMenu::refresh);
    refresh();
}

QString TrayMenu::menuText(const QString &label)
{
    return MenuText::literal(label);
}

QAction *TrayMenu::bind(const MenuItem &(*select)(const MenuView &))
{
    QAction *action = addAction(QString());
    m_bindings.push_back({action, select});
    // The entry is looked up again when chosen: the view may have changed since the menu opened.
    connect(action, &QAction::triggered, this, [this, select] { m_controller.perform(select(m_controller.view())); });
    return action;
}

void TrayMenu::fillPresets(QMenu *submenu, bool media)
{
    const MenuView &view = m_controller.view();
    const auto &items = media ? view.mediaPresets : view.systemPresets;
    auto &actions = media ? m_mediaPresets : m_systemPresets;
    for (std::size_t i = 0; i < items.size(); ++i) {
        QAction *action = submenu->addAction(QString());
        actions.push_back(action);
        connect(action, &QAction::triggered, this, [this, media, i] {
            const MenuView &current = m_controller.view();
            const auto &list = media ? current.mediaPresets : current.systemPresets;
            if (i < list.size()) {
                m_controller.perform(list[i]);
            }
        });
    }
}

void TrayMenu::refresh()
{
    const MenuView &view = m_controller.view();
    for (const Binding &binding : m_bindings) {
        apply(binding.action, binding.select(view));
    }
    m_presetMenu->menuAction()->setVisible(view.presetVisible);
    m_presetMenu->menuAction()->setEnabled(view.presetEnabled);
    for (std::size_t i = 0; i < m_systemPresets.size() && i < view.systemPresets.size(); ++i) {
        apply(m_systemPresets[i], view.systemPresets[i]);
    }
    for (std::size_t i = 0; i < m_mediaPresets.size() && i < view.mediaPresets.size(); ++i) {
        apply(m_mediaPresets[i], view.mediaPresets[i]);
    }
    apply(m_pauseMenu->menuAction(), view.pauseMenu);
    for (std::size_t i = 0; i < m_pauseActions.size() && i < view.pauseItems.size(); ++i) {
        apply(m_pauseActions[i], view.pauseItems[i]);
    }
    m_resumeDivider->setVisible(!view.pauseItems.empty() && view.pauseItems.back().visible);
    m_firmwareDivider->setVisible(view.firmwareSectionVisible);
}
