#pragma once

#include "app/ui/MenuPresenter.h"

#include <QWidget>

#include <vector>

class MenuController;
class QAbstractButton;
class QFrame;
class QLabel;
class QMenu;
class QPushButton;

// The "Kestrix" window that offers the tray menu's entries where the desktop has no tray: the same
// view, rendered as labels and buttons, and the same actions. Closing it only hides it.
class MenuWindow : public QWidget {
    Q_OBJECT
public:
    explicit MenuWindow(MenuController &controller, QWidget *parent = nullptr);

    void refresh();

private:
    using Select = const MenuPresenter::MenuItem &(*)(const MenuPresenter::MenuView &);
    struct Row {
        QWidget *widget; // a QLabel for text lines, a QPushButton for buttons
        Select select;
    };
    void addRow(Select select, bool asButton);
    QFrame *addDivider();

    MenuController &m_controller;
    std::vector<Row> m_rows;
    QPushButton *m_presetButton = nullptr;
    QMenu *m_presetMenu = nullptr;
    std::vector<QAction *> m_presetActions; // system, then media
    QPushButton *m_pauseButton = nullptr;
    std::vector<QAction *> m_pauseActions;
    QFrame *m_firmwareDivider = nullptr;
    class QVBoxLayout *m_layout = nullptr;
};
