#pragma once

#include <QUrl>
#include <QWidget>

#include <functional>

class AppUpdater;
class QLabel;
class QPushButton;

// The "Kestrix Update" window's content: the status sentence of the updater's state, "Cancel
// Download" while the image downloads, "Install and Relaunch" when the update is ready, and "Retry"
// and "Open in Browser Instead" after a failed preparation. Renders AppUpdatePresenter results only and keeps no state
// of its own.
class AppUpdateProgressView : public QWidget {
    Q_OBJECT
public:
    // Opens a web address in the user's browser.
    using URLOpener = std::function<void(const QUrl &)>;

    // The updater must outlive the view. Without an opener the desktop's default browser is used.
    explicit AppUpdateProgressView(AppUpdater &updater, URLOpener openURL = {}, QWidget *parent = nullptr);

private:
    void refresh();
    void retry();
    void openInBrowser();

    AppUpdater &m_updater;
    URLOpener m_openURL;
    QLabel *m_status = nullptr;
    QPushButton *m_install = nullptr;
    QPushButton *m_cancel = nullptr;
    QWidget *m_recovery = nullptr;
    QPushButton *m_retry = nullptr;
};
