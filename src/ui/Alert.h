#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// A modal warning question: its message, the details under it and the buttons in the order they
// are added. Built by pure presenters; shown by confirm().
struct Alert {
    QString message;
    QString informativeText;
    QStringList buttons;
    int destructiveButton = -1; // index into buttons
    int confirmingButton = -1;  // the only answer that goes ahead

    friend bool operator==(const Alert &, const Alert &) = default;
};

// Shows the alert as a warning with the first button as default and waits for the answer; true
// only for the confirming button.
bool confirm(const Alert &alert, QWidget *parent = nullptr);
