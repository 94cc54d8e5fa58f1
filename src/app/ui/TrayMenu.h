#pragma once

#include "app/ui/MenuPresenter.h"

#include <QMenu>

#include <vector>

class MenuController;
class QAction;

// The tray icon's menu: renders the controller's view (labels change while the menu is open) and
// hands the chosen entry back to it. Desktop panels that show the menu themselves (over D-Bus)
// receive the same actions, texts and states.
class TrayMenu : public QMenu {
    Q_OBJECT
public:
    explicit TrayMenu(MenuController &controller, QWidget *parent = nullptr);

    // Re-renders the controller's current view; also run on every change of it.
    void refresh();

    // A label as menus and buttons must be given it: "&" marks a keyboard accelerator there, while
    // labels mean it literally.
    static QString menuText(const QString &label);

private:
    // An action bound to one entry of the view, found again by `select` on each refresh.
    struct Binding {
        QAction *action;
        const MenuPresenter::MenuItem &(*select)(const MenuPresenter::MenuView &);
    };
    QAction *bind(const MenuPresenter::MenuItem &(*select)(const MenuPresenter::MenuView &));
    void fillPresets(QMenu *submenu, bool media);

    MenuController &m_controller;
    std::vector<Binding> m_bindings;
    QMenu *m_presetMenu = nullptr;
    QMenu *m_pauseMenu = nullptr;
    std::vector<QAction *> m_pauseActions;
    QAction *m_resumeDivider = nullptr;
    std::vector<QAction *> m_systemPresets;
    std::vector<QAction *> m_mediaPresets;
    QAction *m_firmwareDivider = nullptr;
};
