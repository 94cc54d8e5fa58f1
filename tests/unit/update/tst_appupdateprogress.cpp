#include "support/BundleTestSupport.h"
#include "support/LocalHttpServer.h"
#include "support/TestMain.h"
#include "update/AppUpdater.h"
#include "update/ui/AppUpdatePresenter.h"
#include "update/ui/AppUpdateProgressView.h"
#include "update/ui/UninstallConfirmation.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>

using State = AppUpdater::State;
using Action = AppUpdatePresenter::MenuEntry::Action;

class AppUpdateProgressTest : public QObject {
    Q_OBJECT

    // The window never gets as far as the tools: every preparation here stops before them.
    BundleTestSupport::InertBundleTools m_tools;
    BundleTestSupport::RecordingShell m_shell;
    BundleTestSupport::FakePackageDatabase m_packages;

private Q_SLOTS:
    void sentencesButtonsAndMenuEntries_data()
    {
        QTest::addColumn<State>("state");
        QTest::addColumn<QString>("sentence");
        QTest::addColumn<QString>(
            "buttons"); // i: install, c: cancel, r: retry and open in browser, b: open in browser only
        QTest::addColumn<QString>("menuText");
        QTest::addColumn<Action>("menuAction");
        const QUrl url(QStringLiteral("https://example.invalid/K.tar.gz"));
        const QString v = QStringLiteral("0.3.0");
        QTest::newRow("idle") << State::idle() << "Idle."
                              << ""
                              << "Check for Updates…" << Action::checkNow;
        QTest::newRow("checking") << State::checking() << "Checking for an update…"
                                  << ""
                                  << "Checking for Updates…" << Action::none;
        QTest::newRow("up to date") << State::upToDate() << "Up to date."
                                    << ""
                                    << "Check for Updates" << Action::checkNow;
        QTest::newRow("error") << State::failedCheck() << "!Couldn't check for updates."
                               << ""
                               << "Couldn't Check for Updates, Retry" << Action::checkNow;
        QTest::newRow("available") << State::available(v, url) << "Update available: v0.3.0."
                                   << ""
                                   << "Update Available: v0.3.0" << Action::openWindowAndStartInstall;
        QTest::newRow("downloading") << State::downloading(v) << "Downloading v0.3.0…"
                                     << "c"
                                     << "Downloading v0.3.0…" << Action::none;
        QTest::newRow("verifying") << State::verifying(v) << "Verifying v0.3.0's signature…"
                                   << ""
                                   << "Verifying v0.3.0…" << Action::none;
        QTest::newRow("ready")
            << State::readyToInstall(v)
            << "v0.3.0 is ready. Installing relaunches Kestrix -- any in-progress TARN firmware update should finish "
               "first."
            << "i"
            << "v0.3.0 Ready, Install and Relaunch" << Action::confirmInstall;
        QTest::newRow("signature failed")
            << State::installFailed(AppUpdateError::signatureVerificationFailed)
            << "!Downloaded app failed signature verification"
            << "r"
            << "Downloaded app failed signature verification, Retry" << Action::openWindowAndStartInstall;
        QTest::newRow("not replaceable")
            << State::installFailed(AppUpdateError::bundleNotReplaceable)
            << "!This copy of Kestrix can't replace itself; update it through your package manager"
            << "b"
            << "This copy of Kestrix can't replace itself; update it through your package manager" << Action::none;
    }
    void sentencesButtonsAndMenuEntries()
    {
        QFETCH(State, state);
        QFETCH(QString, sentence);
        QFETCH(QString, buttons);
        QFETCH(QString, menuText);
        QFETCH(Action, menuAction);
        const bool red = sentence.startsWith(QLatin1Char('!'));
        const auto shown = AppUpdatePresenter::progress(state);
        QCOMPARE(shown.statusText, red ? sentence.mid(1) : sentence);
        QCOMPARE(shown.isError, red);
        QCOMPARE(shown.showsInstallButton, buttons == QLatin1String("i"));
        QCOMPARE(shown.showsCancelButton, buttons == QLatin1String("c"));
        QCOMPARE(shown.showsRetryButton, buttons == QLatin1String("r"));
        QCOMPARE(shown.showsBrowserButton, buttons == QLatin1String("r") || buttons == QLatin1String("b"));
        QCOMPARE(AppUpdatePresenter::menuEntry(state), (AppUpdatePresenter::MenuEntry{menuText, menuAction}));
    }

    void windowFollowsTheUpdater()
    {
        LocalHttpServer server;
        server.serve(AppUpdater::manifestPath(), "{\"version\": \"0.3.0\", \"asset\": \"/K.tar.gz\"}");
        AppUpdater::Environment environment;
        environment.manifestURL = server.url(AppUpdater::manifestPath());
        environment.runningVersion = QStringLiteral("0.2.7");
        environment.runningBundlePath = QStringLiteral("/usr"); // not a bundle: preparing fails at once
        environment.temporaryDirectory = QDir::tempPath();
        AppUpdater updater(m_tools, m_packages, m_shell, environment);
        QList<QUrl> opened;
        AppUpdateProgressView view(updater, [&opened](const QUrl &url) { opened.append(url); });
        view.show();
        auto *status = view.findChild<QLabel *>(QStringLiteral("status"));
        auto *install = view.findChild<QPushButton *>(QStringLiteral("install"));
        auto *cancel = view.findChild<QPushButton *>(QStringLiteral("cancel"));
        auto *retry = view.findChild<QPushButton *>(QStringLiteral("retry"));
        auto *browser = view.findChild<QPushButton *>(QStringLiteral("openInBrowser"));
        QVERIFY(status && install && cancel && retry && browser);
        QVERIFY(view.width() >= 380);

        // Without a pending update the recovery buttons do nothing.
        retry->click();
        browser->click();
        QCOMPARE(updater.state(), State::idle());
        QVERIFY(opened.isEmpty());

        QSignalSpy checked(&updater, &AppUpdater::checkFinished);
        updater.checkNow();
        QVERIFY(checked.wait());
        QCOMPARE(status->text(), QStringLiteral("Update available: v0.3.0."));
        QVERIFY(!install->isVisible() && !retry->isVisible());

        QSignalSpy prepared(&updater, &AppUpdater::preparationFinished);
        updater.startInstall();
        QCOMPARE(status->text(), QStringLiteral("Downloading v0.3.0…"));
        QVERIFY(!install->isVisible() && !retry->isVisible() && cancel->isVisible());
        QVERIFY(prepared.wait());
        QCOMPARE(status->text(),
                 QStringLiteral("This copy of Kestrix can't replace itself; update it through your package manager"));
        // Trying again cannot make this copy replaceable: no Retry, only the browser.
        QVERIFY(!retry->isVisible() && browser->isVisible() && !install->isVisible());

        browser->click();
        QCOMPARE(opened, QList<QUrl>{server.url(QStringLiteral("/K.tar.gz"))});
        updater.startInstall();
        QCOMPARE(updater.state(), State::downloading(QStringLiteral("0.3.0")));
        // Cancelled before anything arrived, the update is offered again.
        cancel->click();
        QVERIFY(prepared.wait());
        QCOMPARE(updater.state(), State::available(QStringLiteral("0.3.0"), server.url(QStringLiteral("/K.tar.gz"))));
        QVERIFY(!cancel->isVisible());
    }

    void uninstallAlertSaysWhatGoes_data()
    {
        QTest::addColumn<AppBundle::Installation>("installation");
        QTest::addColumn<QString>("removes");
        using Kind = AppBundle::Installation::Kind;
        QTest::newRow("own bundle") << AppBundle::Installation{Kind::ownBundle, {}}
                                    << "This deletes the app and its settings and support folder (with any calendars "
                                       "linked there).";
        QTest::newRow("package") << AppBundle::Installation{Kind::packageManaged, QStringLiteral("kestrix")}
                                 << "This deletes Kestrix's settings and support folder (with any calendars linked "
                                    "there). The app itself belongs to the package \"kestrix\": remove that with your "
                                    "package manager (for example: sudo apt remove kestrix).";
        QTest::newRow("prefix") << AppBundle::Installation{Kind::notABundle, {}}
                                << "This deletes Kestrix's settings and support folder (with any calendars linked "
                                   "there). The app's own files in /opt/kestrix stay; delete them yourself.";
    }
    void uninstallAlertSaysWhatGoes()
    {
        QFETCH(AppBundle::Installation, installation);
        QFETCH(QString, removes);
        Uninstaller::Plan plan;
        plan.bundlePath = QStringLiteral("/opt/kestrix");
        plan.installation = installation;
        const auto alert = UninstallConfirmation::alert(plan);
        QCOMPARE(alert.message, QStringLiteral("Uninstall Kestrix?"));
        QCOMPARE(alert.informativeText,
                 removes + QStringLiteral(" Your Dorvel device and its saved settings are not "
                                          "affected -- this only removes Kestrix from this computer."));
        QCOMPARE(alert.buttons, (QStringList{QStringLiteral("Cancel"), QStringLiteral("Uninstall")}));
        QCOMPARE(alert.destructiveButton, 1);
        QCOMPARE(alert.confirmingButton, 1);
    }
};

QTEST_MAIN(AppUpdateProgressTest)
#include "tst_appupdateprogress.moc"
