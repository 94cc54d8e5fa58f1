#include "app/ui/MenuWindow.h"

#include "app/ui/MenuController.h"
#include "app/ui/TrayMenu.h"

#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

using MenuPresenter::MenuItem;
using MenuPresenter::MenuView;

MenuWindow::MenuWindow(MenuController &controller, QWidget *parent) : QWidget(parent), m_controller(controller)
{
    setWindowTitle(QStringLiteral("Kestrix"));
    setAccessibleName(QStringLiteral("Kestrix"));
    m_layout = new QVBoxLayout(this);
    m_layout->setSpacing(4);
    m_layout->setSizeConstraint(QLayout::SetFixedSize);

    addRow([](const MenuView &v) -> const MenuItem & { return v.micLine; }, false);
    addRow([](const MenuView &v) -> const MenuItem & { return v.toggleMicMute; }, true);
    addDivider();
    m_presetButton = new QPushButton(QCoreApplication::translate("MenuWindow", "Preset"), this);
    m_presetButton->setAccessibleName(QCoreApplication::translate("MenuWindow", "Preset"));
    m_presetMenu = new QMenu(m_presetButton);
    const MenuView &view = m_controller.view();
    for (bool media : {false, true}) {
        QMenu *submenu = m_presetMenu->addMenu(media ? QCoreApplication::translate("MenuWindow", "Media")
                                                     : QCoreApplication::translate("MenuWindow", "System"));
        const auto &items = media ? view.mediaPresets : view.systemPresets;
        for (std::size_t i = 0; i < items.size(); ++i) {
            QAction *action = submenu->addAction(QString());
            m_presetActions.push_back(action);
            connect(action, &QAction::triggered, this, [this, media, i] {
                const MenuView &current = m_controller.view();
                const auto &list = media ? current.mediaPresets : current.systemPresets;
                if (i < list.size()) {
                    m_controller.perform(list[i]);
                }
            });
        }
    }
    m_presetButton->setMenu(m_presetMenu);
    m_layout->addWidget(m_presetButton);
    addRow([](const MenuView &v) -> const MenuItem & { return v.presetNotice; }, false);
    addRow([](const MenuView &v) -> const MenuItem & { return v.customShortcut; }, true);
    addRow([](const MenuView &v) -> const MenuItem & { return v.rgbSettings; }, true);
    addRow([](const MenuView &v) -> const MenuItem & { return v.statusRules; }, true);
    m_pauseButton = new QPushButton(this);
    auto *pauseMenu = new QMenu(m_pauseButton);
    for (std::size_t i = 0; i < view.pauseItems.size(); ++i) {
        QAction *action = pauseMenu->addAction(QString());
        m_pauseActions.push_back(action);
        connect(action, &QAction::triggered, this, [this, i] {
            const MenuView &current = m_controller.view();
            if (i < current.pauseItems.size()) {
                m_controller.perform(current.pauseItems[i]);
            }
        });
    }
    m_pauseButton->setMenu(pauseMenu);
    m_layout->addWidget(m_pauseButton);
    addRow([](const MenuView &v) -> const MenuItem & { return v.timer; }, true);
    addRow([](const MenuView &v) -> const MenuItem & { return v.advancedSetup; }, true);
    addRow([](const MenuView &v) -> const MenuItem & { return v.featureRequest; }, true);
    addDivider();
    addRow([](const MenuView &v) -> const MenuItem & { return v.deviceStatus; }, false);
    addRow([](const MenuView &v) -> const MenuItem & { return v.accessHint; }, false);
    addDivider();
    addRow([](const MenuView &v) -> const MenuItem & { return v.appVersion; }, false);
    addRow([](const MenuView &v) -> const MenuItem & { return v.appUpdate; }, true);
    m_firmwareDivider = addDivider();
    addRow([](const MenuView &v) -> const MenuItem & { return v.firmwareUpdate; }, true);
    addDivider();
    addRow([](const MenuView &v) -> const MenuItem & { return v.uninstall; }, true);
    addRow([](const MenuView &v) -> const MenuItem & { return v.terms; }, true);
    addRow([](const MenuView &v) -> const MenuItem & { return v.quit; }, true);

    connect(&m_controller, &MenuController::viewChanged, this, &MenuWindow::refresh);
    refresh();
}

// Entries whose kind changes with the state (the update items are text or button) get both a
// label and a button; refresh() shows the one that fits.
void MenuWindow::addRow(Select select, bool asButton)
{
    auto *label = new QLabel(this);
    label->setTextFormat(Qt::PlainText);
    m_layout->addWidget(label);
    m_rows.push_back({label, select});
    if (!asButton) {
        return;
    }
    auto *button = new QPushButton(this);
    button->setAutoDefault(false);
    m_layout->addWidget(button);
    m_rows.push_back({button, select});
    connect(button, &QPushButton::clicked, this, [this, select] { m_controller.perform(select(m_controller.view())); });
}

QFrame *MenuWindow::addDivider()
{
    auto *line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    m_layout->addWidget(line);
    return line;
}

void MenuWindow::refresh()
{
    const MenuView &view = m_controller.view();
    for (const Row &row : m_rows) {
        const MenuItem &item = row.select(view);
        if (auto *button = qobject_cast<QPushButton *>(row.widget)) {
            button->setText(TrayMenu::menuText(item.text));
            button->setAccessibleName(item.text);
            button->setEnabled(item.enabled);
            button->setVisible(item.visible && item.isButton());
        } else if (auto *label = qobject_cast<QLabel *>(row.widget)) {
            label->setText(item.text);
            label->setAccessibleName(item.text);
            label->setEnabled(view.presetEnabled); // greyed with the rest of the gated group
            label->setVisible(item.visible && !item.isButton());
        }
    }
    m_presetButton->setVisible(view.presetVisible);
    m_presetButton->setEnabled(view.presetEnabled);
    std::size_t i = 0;
    for (const auto *items : {&view.systemPresets, &view.mediaPresets}) {
        for (const MenuItem &item : *items) {
            if (i < m_presetActions.size()) {
                m_presetActions[i]->setText(TrayMenu::menuText(item.text));
                m_presetActions[i]->setEnabled(item.enabled);
            }
            ++i;
        }
    }
    m_pauseButton->setText(TrayMenu::menuText(view.pauseMenu.text));
    m_pauseButton->setAccessibleName(view.pauseMenu.text);
    m_pauseButton->setVisible(view.pauseMenu.visible);
    m_pauseButton->setEnabled(view.pauseMenu.enabled);
    for (std::size_t p = 0; p < m_pauseActions.size() && p < view.pauseItems.size(); ++p) {
        m_pauseActions[p]->setText(TrayMenu::menuText(view.pauseItems[p].text));
        m_pauseActions[p]->setVisible(view.pauseItems[p].visible);
        m_pauseActions[p]->setEnabled(view.pauseItems[p].enabled);
    }
    m_firmwareDivider->setVisible(view.firmwareSectionVisible);
}
