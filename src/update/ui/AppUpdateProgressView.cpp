#include "update/ui/AppUpdateProgressView.h"

#include "ui/ErrorText.h"
#include "ui/WindowHabits.h"
#include "update/AppUpdater.h"
#include "update/ui/AppUpdatePresenter.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

namespace {
constexpr int appUpdateWindowWidth = 380;
constexpr int appUpdateMargin = 20;
constexpr int appUpdateRowSpacing = 14;
} // namespace

AppUpdateProgressView::AppUpdateProgressView(AppUpdater &updater, URLOpener openURL, QWidget *parent)
    : QWidget(parent), m_updater(updater), m_openURL(std::move(openURL))
{
    if (!m_openURL) {
        m_openURL = [](const QUrl &url) {
            QDesktopServices::openUrl(url);
        };
    }
    setWindowTitle(QCoreApplication::translate("AppUpdateProgressView", "Kestrix Update"));
    auto *rows = new QVBoxLayout(this);
    rows->setContentsMargins(appUpdateMargin, appUpdateMargin, appUpdateMargin, appUpdateMargin);
    rows->setSpacing(appUpdateRowSpacing);
    // Rows take the whole width (a narrower status line would wrap short sentences and cut them);
    // buttons keep their own size at the leading edge.

    auto *title = new QLabel(QCoreApplication::translate("AppUpdateProgressView", "Kestrix Update"), this);
    QFont headline = title->font();
    headline.setBold(true);
    title->setFont(headline);
    rows->addWidget(title);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("status"));
    m_status->setWordWrap(true);
    m_status->setTextFormat(Qt::PlainText);
    m_status->setMinimumWidth(appUpdateWindowWidth - 2 * appUpdateMargin); // the window's minimum, the designed width
    rows->addWidget(m_status);

    m_install = new QPushButton(QCoreApplication::translate("AppUpdateProgressView", "Install and Relaunch"), this);
    m_install->setObjectName(QStringLiteral("install"));
    rows->addWidget(m_install, 0, Qt::AlignLeft);

    m_cancel = new QPushButton(QCoreApplication::translate("AppUpdateProgressView", "Cancel Download"), this);
    m_cancel->setObjectName(QStringLiteral("cancel"));
    rows->addWidget(m_cancel, 0, Qt::AlignLeft);

    m_recovery = new QWidget(this);
    auto *buttons = new QHBoxLayout(m_recovery);
    buttons->setContentsMargins(0, 0, 0, 0);
    m_retry = new QPushButton(QCoreApplication::translate("AppUpdateProgressView", "Retry"), m_recovery);
    m_retry->setObjectName(QStringLiteral("retry"));
    auto *browserButton =
        new QPushButton(QCoreApplication::translate("AppUpdateProgressView", "Open in Browser Instead"), m_recovery);
    browserButton->setObjectName(QStringLiteral("openInBrowser"));
    buttons->addWidget(m_retry);
    buttons->addWidget(browserButton);
    buttons->addStretch(1);
    rows->addWidget(m_recovery);

    connect(m_install, &QPushButton::clicked, &m_updater, &AppUpdater::confirmInstall);
    connect(m_cancel, &QPushButton::clicked, &m_updater, &AppUpdater::cancelDownload);
    connect(m_retry, &QPushButton::clicked, this, &AppUpdateProgressView::retry);
    connect(browserButton, &QPushButton::clicked, this, &AppUpdateProgressView::openInBrowser);
    connect(&m_updater, &AppUpdater::stateChanged, this, &AppUpdateProgressView::refresh);
    refresh();
}

void AppUpdateProgressView::refresh()
{
    const auto shown = AppUpdatePresenter::progress(m_updater.state());
    m_status->setText(shown.statusText);
    ErrorText::show(*m_status, shown.isError);
    m_install->setVisible(shown.showsInstallButton);
    m_cancel->setVisible(shown.showsCancelButton);
    m_recovery->setVisible(shown.showsBrowserButton);
    m_retry->setVisible(shown.showsRetryButton);

    // At least the designed width, as tall as what it shows; a size it was given is kept.
    WindowHabits::fitToContent(this, appUpdateWindowWidth);
}

void AppUpdateProgressView::retry()
{
    m_updater.startInstall(); // does nothing without a pending update
}

void AppUpdateProgressView::openInBrowser()
{
    if (const auto &pending = m_updater.pendingUpdate()) {
        m_openURL(pending->downloadURL);
    }
}
