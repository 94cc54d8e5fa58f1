#include "app/AppResources.h"
#include "app/ui/MenuPresenter.h"
#include "support/TestMain.h"

#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QUrlQuery>

Q_DECLARE_METATYPE(std::optional<DeviceQueryResponse>)

namespace {
DeviceQueryResponse queried(HardwarePlatform platform, FirmwareVersion version)
{
    DeviceQueryResponse q;
    q.hwPlatform = platform;
    q.version = version;
    return q;
}

using MenuPresenter::MenuAction;
using MenuPresenter::MenuItem;
using MenuPresenter::MenuState;
using MenuPresenter::MenuView;

MenuState attached(HardwarePlatform platform)
{
    MenuState state;
    state.termsAccepted = true;
    state.isConnected = true;
    state.lastQuery = queried(platform, {1, 2, 0});
    return state;
}

void writeImage(const QString &path, QColor colour, int size)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(colour);
    QVERIFY(image.save(path, "PNG"));
}
} // namespace

class MenuPresenterTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void deviceStatusLine_data()
    {
        QTest::addColumn<bool>("connected");
        QTest::addColumn<std::optional<DeviceQueryResponse>>("query");
        QTest::addColumn<bool>("inaccessible");
        QTest::addColumn<QString>("expected");
        const std::optional<DeviceQueryResponse> none;
        QTest::newRow("absent") << false << none << false << QStringLiteral("Device: Not Found");
        QTest::newRow("stale query while absent")
            << false << std::optional(queried(HardwarePlatform::rp2350, {1, 2, 3})) << false
            << QStringLiteral("Device: Not Found");
        QTest::newRow("present, no permission") << false << none << true << QStringLiteral("Device: Found, No Access");
        QTest::newRow("connected, not yet queried") << true << none << false << QStringLiteral("Device: Connected");
        QTest::newRow("unknown platform") << true << std::optional(queried(HardwarePlatform::unknown, {1, 0, 0}))
                                          << false << QStringLiteral("Device: Standard v1.0.0");
        QTest::newRow("rp2040") << true << std::optional(queried(HardwarePlatform::rp2040, {0, 9, 12})) << false
                                << QStringLiteral("Device: TARN (RP2040) v0.9.12");
        QTest::newRow("rp2350") << true << std::optional(queried(HardwarePlatform::rp2350, {1, 4, 0})) << true
                                << QStringLiteral("Device: TARN v1.4.0");
    }
    void deviceStatusLine()
    {
        QFETCH(bool, connected);
        QFETCH(std::optional<DeviceQueryResponse>, query);
        QFETCH(bool, inaccessible);
        QFETCH(QString, expected);
        QCOMPARE(MenuPresenter::deviceStatusLabel(connected, query, inaccessible), expected);
        QCOMPARE(MenuPresenter::deviceAccessHint(connected, inaccessible).isEmpty(), connected || !inaccessible);
    }

    // Which entries a device brings: none without one, the binding entries once it is attached,
    // the settings entries once its platform is known, the firmware section for RP2350 only.
    void entriesFollowTheDevice_data()
    {
        QTest::addColumn<int>("device"); // 0 absent, 1 connected unqueried, 2 unknown, 3 rp2040, 4 rp2350
        QTest::addColumn<bool>("bindingEntries");
        QTest::addColumn<bool>("settingsEntries");
        QTest::addColumn<bool>("firmwareSection");
        QTest::newRow("absent") << 0 << false << false << false;
        QTest::newRow("not yet queried") << 1 << true << false << false;
        QTest::newRow("unknown platform") << 2 << true << false << false;
        QTest::newRow("rp2040") << 3 << true << true << false;
        QTest::newRow("rp2350") << 4 << true << true << true;
    }
    void entriesFollowTheDevice()
    {
        QFETCH(int, device);
        QFETCH(bool, bindingEntries);
        QFETCH(bool, settingsEntries);
        QFETCH(bool, firmwareSection);
        MenuState state;
        state.termsAccepted = true;
        state.isConnected = device > 0;
        const HardwarePlatform platforms[] = {HardwarePlatform::unknown, HardwarePlatform::unknown,
                                              HardwarePlatform::unknown, HardwarePlatform::rp2040,
                                              HardwarePlatform::rp2350};
        if (device >= 2) {
            state.lastQuery = queried(platforms[device], {1, 0, 0});
        }
        const MenuView view = MenuPresenter::menuView(state);
        QCOMPARE(view.presetVisible, bindingEntries);
        QCOMPARE(view.customShortcut.visible, bindingEntries);
        QCOMPARE(view.rgbSettings.visible, settingsEntries);
        QCOMPARE(view.statusRules.visible, settingsEntries);
        QCOMPARE(view.pauseMenu.visible, settingsEntries);
        QCOMPARE(view.timer.visible, settingsEntries);
        QCOMPARE(view.firmwareSectionVisible, firmwareSection);
        QCOMPARE(view.firmwareUpdate.visible, firmwareSection);
        // Always there.
        for (const MenuItem *item : {&view.micLine, &view.toggleMicMute, &view.featureRequest, &view.deviceStatus,
                                     &view.appVersion, &view.appUpdate, &view.uninstall, &view.terms, &view.quit}) {
            QVERIFY2(item->visible, qPrintable(item->text));
        }

        // A query left over from a device that has gone shows no firmware section.
        state.isConnected = false;
        QVERIFY(!MenuPresenter::menuView(state).firmwareSectionVisible);
    }

    void everythingButTermsAndQuitWaitsForTheTerms()
    {
        MenuState state = attached(HardwarePlatform::rp2350);
        state.micMuted = false;
        state.hasSetupGuide = true;
        state.firmware = TarnUpdateState::updateAvailable({1, 2, 0}, {1, 3, 0});
        const MenuView accepted = MenuPresenter::menuView(state);
        QVERIFY(accepted.presetEnabled && accepted.toggleMicMute.enabled && accepted.rgbSettings.enabled &&
                accepted.firmwareUpdate.enabled && accepted.uninstall.enabled && accepted.systemPresets[0].enabled);

        state.termsAccepted = false;
        const MenuView view = MenuPresenter::menuView(state);
        QVERIFY(!view.presetEnabled);
        for (const auto &items : {view.systemPresets, view.mediaPresets, view.pauseItems}) {
            for (const MenuItem &item : items) {
                QVERIFY(!item.enabled);
            }
        }
        for (const MenuItem *item :
             {&view.micLine, &view.toggleMicMute, &view.customShortcut, &view.rgbSettings, &view.statusRules,
              &view.pauseMenu, &view.timer, &view.advancedSetup, &view.featureRequest, &view.deviceStatus,
              &view.appVersion, &view.appUpdate, &view.firmwareUpdate, &view.uninstall}) {
            QVERIFY2(!item->enabled, qPrintable(item->text));
            QVERIFY2(item->visible, qPrintable(item->text)); // greyed, not hidden
        }
        QVERIFY(view.terms.enabled && view.quit.enabled);
        QCOMPARE(view.terms.text, QStringLiteral("Terms…"));
        QCOMPARE(view.quit.text, QStringLiteral("Quit Kestrix"));
    }

    // The pause submenu's line says until when the light is paused (local time); "Resume" is there
    // only while it is.
    void pauseSubmenu()
    {
        MenuState state = attached(HardwarePlatform::rp2040);
        const auto labels = [](const MenuView &view) {
            QStringList out{view.pauseMenu.text};
            for (const MenuItem &item : view.pauseItems) {
                if (item.visible) {
                    out.append(item.text + u'/' + QString::number(item.pauseMinutes));
                }
            }
            return out;
        };
        QCOMPARE(labels(MenuPresenter::menuView(state)),
                 (QStringList{QStringLiteral("Pause Status Light"), QStringLiteral("15 Minutes/15"),
                              QStringLiteral("1 Hour/60"), QStringLiteral("Until Tomorrow/0")}));
        state.statusLightPausedUntil = QDateTime(QDate(2026, 3, 4), QTime(7, 5), Qt::LocalTime).toUTC();
        const MenuView paused = MenuPresenter::menuView(state);
        QCOMPARE(labels(paused), (QStringList{QStringLiteral("Paused until 07:05"), QStringLiteral("15 Minutes/15"),
                                              QStringLiteral("1 Hour/60"), QStringLiteral("Until Tomorrow/0"),
                                              QStringLiteral("Resume/0")}));
        QCOMPARE(paused.pauseItems.back().action, MenuAction::resumeStatusLight);
        // The time as the user's locale writes it, except that English keeps its 24-hour form.
        const QLocale before;
        for (const auto &[locale, title] :
             {std::pair{"en_US", "Paused until 07:05"}, {"fr_CA", "Paused until 07 h 05"}}) {
            QLocale::setDefault(QLocale(QString::fromLatin1(locale)));
            QCOMPARE(MenuPresenter::menuView(state).pauseMenu.text, QString::fromUtf8(title));
        }
        QLocale::setDefault(before);
    }

    void microphoneAndShortcutLines()
    {
        MenuState state = attached(HardwarePlatform::rp2040);
        MenuView view = MenuPresenter::menuView(state);
        QCOMPARE(view.micLine.text, QStringLiteral("Mic: —"));
        QVERIFY(!view.toggleMicMute.enabled); // nothing to toggle while the state is unknown
        state.micMuted = true;
        view = MenuPresenter::menuView(state);
        QCOMPARE(view.micLine.text, QStringLiteral("Mic: Muted"));
        QVERIFY(view.toggleMicMute.enabled);
        QCOMPARE(view.toggleMicMute.action, MenuAction::toggleMicMute);
        state.micMuted = false;
        QCOMPARE(MenuPresenter::menuView(state).micLine.text, QStringLiteral("Mic: Live"));

        QCOMPARE(view.customShortcut.text, QStringLiteral("Custom Shortcut…"));
        state.lastQuery->bindType = BindType::custom;
        QCOMPARE(MenuPresenter::menuView(state).customShortcut.text, QStringLiteral("✓ Custom Shortcut…"));
        QCOMPARE(MenuPresenter::menuView(state).timer.text, QStringLiteral("Timer…"));
    }

    // The submenus list their actions in the type's order; at most one carries the mark, and none
    // while the device reports a custom binding.
    void presetSubmenus()
    {
        MenuState state = attached(HardwarePlatform::rp2350);
        const auto labels = [](const std::vector<MenuItem> &items) {
            QStringList out;
            for (const MenuItem &item : items) {
                out << item.text;
            }
            return out;
        };
        state.lastQuery->bindType = BindType::preset;
        state.lastQuery->currentPresetID = static_cast<std::uint8_t>(PresetAction::nextTrack);
        MenuView view = MenuPresenter::menuView(state);
        QCOMPARE(labels(view.systemPresets),
                 (QStringList{QStringLiteral("Lock Screen"), QStringLiteral("Screenshot"), QStringLiteral("Sleep")}));
        QCOMPARE(labels(view.mediaPresets),
                 (QStringList{QStringLiteral("Mute"), QStringLiteral("Volume Up"), QStringLiteral("Volume Down"),
                              QStringLiteral("Play / Pause"), QStringLiteral("✓ Next Track"),
                              QStringLiteral("Prev Track"), QStringLiteral("Brightness Up"),
                              QStringLiteral("Brightness Down"), QStringLiteral("AI Interrupt")}));
        QCOMPARE(view.mediaPresets[4].presetCode, std::uint8_t(7));
        QCOMPARE(view.mediaPresets[4].action, MenuAction::setPreset);
        QCOMPARE(view.systemPresets[2].presetCode, std::uint8_t(11));

        state.lastQuery->bindType = BindType::custom; // the preset id may linger in the reply
        view = MenuPresenter::menuView(state);
        QVERIFY(!labels(view.mediaPresets).join(QString()).contains(QStringLiteral("✓")));
    }

    void updateItems()
    {
        MenuState state = attached(HardwarePlatform::rp2350);
        state.firmware = TarnUpdateState::transferring(5, 0);
        MenuView view = MenuPresenter::menuView(state);
        QCOMPARE(view.firmwareUpdate.text, QStringLiteral("Updating TARN Firmware… 0%"));
        QVERIFY(!view.firmwareUpdate.isButton());
        state.firmware = TarnUpdateState::transferring(2, 3);
        QCOMPARE(MenuPresenter::menuView(state).firmwareUpdate.text, QStringLiteral("Updating TARN Firmware… 66%"));
        state.firmware = TarnUpdateState::updateAvailable({1, 2, 0}, {1, 3, 0});
        view = MenuPresenter::menuView(state);
        QCOMPARE(view.firmwareUpdate.text, QStringLiteral("TARN Update Available: v1.2.0 → v1.3.0"));
        QCOMPARE(view.firmwareUpdate.action, MenuAction::startFirmwareUpdate);
        state.firmware = TarnUpdateState::failed(TarnUpdateError::Kind::checksumRejectedByDevice);
        QCOMPARE(MenuPresenter::menuView(state).firmwareUpdate.action, MenuAction::checkFirmwareUpdate);
        state.firmware = TarnUpdateState::failed(TarnUpdateError::Kind::deviceNoPartitionTable);
        QCOMPARE(MenuPresenter::menuView(state).firmwareUpdate.action, MenuAction::none);

        state.appUpdate = AppUpdater::State::available(QStringLiteral("0.3.0"), QUrl());
        view = MenuPresenter::menuView(state);
        QCOMPARE(view.appUpdate.text, QStringLiteral("Update Available: v0.3.0"));
        QCOMPARE(view.appUpdate.action, MenuAction::startAppInstall);
        state.appUpdate = AppUpdater::State::readyToInstall(QStringLiteral("0.3.0"));
        QCOMPARE(MenuPresenter::menuView(state).appUpdate.action, MenuAction::confirmAppInstall);
        state.appUpdate = AppUpdater::State::installFailed(AppUpdateError::signatureVerificationFailed);
        QCOMPARE(MenuPresenter::menuView(state).appUpdate.action, MenuAction::startAppInstall);
        state.appUpdate = AppUpdater::State::downloading(QStringLiteral("0.3.0"));
        QCOMPARE(MenuPresenter::menuView(state).appUpdate.action, MenuAction::none);
        state.appUpdate = AppUpdater::State::idle();
        QCOMPARE(MenuPresenter::menuView(state).appUpdate.action, MenuAction::checkAppUpdate);
    }

    void firmwareBusyPredicate()
    {
        using S = TarnUpdateState;
        for (const S &busy : {S::downloading(0), S::transferring(1, 2), S::verifying(), S::waitingForReboot(),
                              S::confirmingVersion()}) {
            QVERIFY(MenuPresenter::isFirmwareUpdateBusy(busy));
        }
        for (const S &idle :
             {S::idle(), S::checkingForUpdate(), S::upToDate({1, 0, 0}), S::updateAvailable({1, 0, 0}, {1, 1, 0}),
              S::succeeded({1, 1, 0}), S::failed(TarnUpdateError::Kind::reconnectTimeout)}) {
            QVERIFY(!MenuPresenter::isFirmwareUpdateBusy(idle));
        }
    }

    void featureRequestMail()
    {
        QCOMPARE(MenuPresenter::operatingSystemText(
                     QStringLiteral("PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nNAME=\"Debian GNU/Linux\"\n"
                                    "VERSION_ID=\"12\"\nID=debian\n")),
                 QStringLiteral("Debian GNU/Linux 12"));
        QCOMPARE(MenuPresenter::operatingSystemText(QStringLiteral("NAME=Arch Linux\nPRETTY_NAME=\"Arch Linux\"\n")),
                 QStringLiteral("Arch Linux"));
        QCOMPARE(MenuPresenter::operatingSystemText(QString()), QStringLiteral("Linux"));

        const QUrl url = MenuPresenter::featureRequestURL(
            QStringLiteral("support@tamsel.example"), QStringLiteral("Kestrix v0.2.7"),
            QStringLiteral("Device: TARN (RP2040) v1.0.0 & more"), QStringLiteral("Debian GNU/Linux 12"));
        QVERIFY(url.isValid());
        QCOMPARE(url.scheme(), QStringLiteral("mailto"));
        QCOMPARE(url.path(), QStringLiteral("support@tamsel.example"));
        const QUrlQuery query(url);
        QCOMPARE(query.queryItemValue(QStringLiteral("subject"), QUrl::FullyDecoded),
                 QStringLiteral("Kestrix Feature Request"));
        // An "&" in a line must not cut the body short.
        QCOMPARE(query.queryItemValue(QStringLiteral("body"), QUrl::FullyDecoded),
                 QStringLiteral("What would you like to see added or changed?\n\n\n---\nKestrix v0.2.7\n"
                                "Device: TARN (RP2040) v1.0.0 & more\nDebian GNU/Linux 12"));
    }

    // What the LED shows, in words, by precedence: the device's absence, a running timer, then the
    // rules engine's choice.
    void toolTipSaysWhatTheLedShows()
    {
        using Kind = LedShowing::Kind;
        const LedShowing muted{Kind::rule, QStringLiteral("mic_muted"), QStringLiteral("Mic Muted")};
        struct Case {
            bool connected;
            bool inaccessible;
            std::optional<TimerKind> timer;
            bool expired;
            LedShowing showing;
            const char *words;
        };
        const Case cases[] = {
            {false, false, std::nullopt, false, muted, "No Dorvel connected"},
            {false, true, std::nullopt, false, muted, "Dorvel found, no access"},
            {false, false, TimerKind::simple, false, muted, "No Dorvel connected"},
            {true, false, TimerKind::simple, false, muted, "Timer 12:30"},
            {true, false, TimerKind::simple, true, muted, "Timer: Time's up!"},
            {true, false, TimerKind::pomodoro, false, muted, "Pomodoro Long break 12:30"},
            {true, false, std::nullopt, false, muted, "Mic Muted"},
            {true,
             false,
             std::nullopt,
             false,
             {Kind::finishStep, QStringLiteral("ai_execution"), QStringLiteral("AI Execution")},
             "AI Execution (finishing)"},
            {true, false, std::nullopt, false, {Kind::fallback, {}, {}}, "No status active, fallback color"},
            {true, false, std::nullopt, false, {Kind::off, {}, {}}, "No status active, LED off"},
            {true, false, std::nullopt, false, {}, "Connected"},
        };
        for (const Case &c : cases) {
            MenuState state = attached(HardwarePlatform::rp2350);
            state.isConnected = c.connected;
            state.hasInaccessibleDevice = c.inaccessible;
            state.timerKind = c.timer;
            state.timerExpired = c.expired;
            state.pomodoroPhase = PomodoroPhase::longBreak;
            state.remainingSeconds = 750;
            state.ledShowing = c.showing;
            const QString expected = QStringLiteral("Kestrix — ") + QString::fromUtf8(c.words);
            QCOMPARE(MenuPresenter::trayToolTip(state), expected);
            QCOMPARE(MenuPresenter::menuView(state).toolTip, expected);
        }
        // A paused status light says until when, below the timer.
        MenuState paused = attached(HardwarePlatform::rp2350);
        paused.statusLightPausedUntil = QDateTime(QDate(2026, 12, 7), QTime(14, 30));
        paused.ledShowing = muted;
        QCOMPARE(MenuPresenter::trayToolTip(paused), QStringLiteral("Kestrix — Status light paused until 14:30"));
        paused.timerKind = TimerKind::simple;
        QVERIFY(MenuPresenter::trayToolTip(paused).startsWith(QStringLiteral("Kestrix — Timer ")));
    }

    void versionLine()
    {
        QCOMPARE(MenuPresenter::appVersionLabel(QStringLiteral("0.2.7")), QStringLiteral("Kestrix v0.2.7"));
        QCOMPARE(MenuPresenter::appVersionLabel(std::nullopt), QStringLiteral("Kestrix v?"));
    }

    void resourcesAreLookedUpInTheBundleFirst()
    {
        QTemporaryDir root;
        QVERIFY(QDir(root.path()).mkpath(QStringLiteral("bundle/share/kestrix")));
        QVERIFY(QDir(root.path()).mkpath(QStringLiteral("beside")));
        const QString bundleShare = root.filePath(QStringLiteral("bundle/share/kestrix/"));
        const QString beside = root.filePath(QStringLiteral("beside/"));
        AppResources::Locations locations{root.filePath(QStringLiteral("bundle")), beside};

        // Nothing shipped: an empty 18x18 tray image, no display icon, no guide.
        QImage empty = AppResources::menuBarImage(locations);
        QCOMPARE(empty.size(), QSize(18, 18));
        QCOMPARE(qAlpha(empty.pixel(9, 9)), 0);
        QVERIFY(!AppResources::appIconDisplayImage(locations));
        QVERIFY(!AppResources::advancedSetupPDF(locations));

        // Only beside the executable: found there, scaled to 18x18.
        writeImage(beside + QStringLiteral("MenuBarIcon.png"), Qt::red, 36);
        QCOMPARE(AppResources::menuBarImage(locations).pixelColor(9, 9), QColor(Qt::red));
        QCOMPARE(AppResources::menuBarImage(locations).size(), QSize(18, 18));
        // The bundle's copy wins; a file that is not an image does not count as found.
        QFile broken(bundleShare + QStringLiteral("MenuBarIcon.png"));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("not a png");
        broken.close();
        QCOMPARE(AppResources::menuBarImage(locations).pixelColor(9, 9), QColor(Qt::red));
        QVERIFY(broken.remove());
        writeImage(bundleShare + QStringLiteral("MenuBarIcon.png"), Qt::blue, 18);
        QCOMPARE(AppResources::menuBarImage(locations).pixelColor(9, 9), QColor(Qt::blue));

        // The guide counts as found when the file exists; an absent resource folder is skipped.
        QFile guide(beside + QStringLiteral("Advanced Setup (Terminal + AI Hooks).pdf"));
        QVERIFY(guide.open(QIODevice::WriteOnly));
        guide.close();
        QCOMPARE(AppResources::advancedSetupPDF(locations), std::optional(QUrl::fromLocalFile(guide.fileName())));
        locations.resourceFolder.reset();
        QVERIFY(!AppResources::advancedSetupPDF(locations));
        QCOMPARE(AppResources::menuBarImage(locations).pixelColor(9, 9), QColor(Qt::blue));
    }
};

QTEST_MAIN(MenuPresenterTest)
#include "tst_menupresenter.moc"
