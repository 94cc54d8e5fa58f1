#include "app/AppDelegate.h"

#include <QApplication>

void AppDelegate::applicationDidFinishLaunching()
{
    QApplication::setQuitOnLastWindowClosed(false);
}
