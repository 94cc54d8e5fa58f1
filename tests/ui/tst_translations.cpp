#include "app/TamselDesktopApp.h"
#include "app/Translations.h"
#include "app/ui/LegalAgreementPresenter.h"
#include "app/ui/MenuPresenter.h"
#include "app/ui/TrayMenu.h"
#include "app/ui/WindowRouter.h"
#include "device/DorvelDeviceManager.h"
#include "device/ui/CustomShortcutPresenter.h"
#include "firmware/TarnFirmwareUpdater.h"
#include "firmware/TarnUpdatePresenter.h"
#include "platform/sim/SimulatedHidBus.h"
#include "support/BuildPaths.h"
#include "support/DeviceTestSupport.h"
#include "support/FakePorts.h"
#include "support/FakeTriggerListener.h"
#include "support/TestMain.h"
#include "timers/TimerPresenter.h"
#include "unit/rules/RulesTestSupport.h"
#include "update/ui/AppUpdatePresenter.h"
#include "update/ui/UninstallConfirmation.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTranslator>
#include <QXmlStreamReader>

namespace {

// Answers every lookup with the source text between marks, so a text that never went through the
// translation system shows unmarked.
class MarkingTranslator : public QTranslator {
public:
    bool isEmpty() const override { return false; }
    QString translate(const char *, const char *source, const char *, int) const override
    {
        return QStringLiteral("⟦") + QString::fromUtf8(source) + QStringLiteral("⟧");
    }
};

// What is left of a shown text once its translated parts and its data (names, addresses, model
// names) are taken out: a word left there is English that no translation reaches.
QString untranslatedWords(QString text)
{
    static const QRegularExpression marked(QStringLiteral("⟦[^⟦⟧]*⟧"));
    static const QRegularExpression data(QStringLiteral("Kestrix|TARN|RP2040|Tamsel Labs|support@tamsel\\.example"));
    static const QRegularExpression word(QStringLiteral("[A-Za-z]{2,}"));
    for (qsizetype before = -1; before != text.size();) {
        before = text.size();
        text.remove(marked);
    }
    text.remove(data);
    return word.match(text).hasMatch() ? text : QString();
}

template <typename Enum>
std::vector<Enum> upTo(Enum last)
{
    std::vector<Enum> all;
    for (int raw = 0; raw <= static_cast<int>(last); ++raw) {
        all.push_back(static_cast<Enum>(raw));
    }
    return all;
}

// The texts of states the windows of a freshly started application do not reach: every update and
// timer state, every failure, every alert, every key of a recorded combination.
QStringList presenterTexts()
{
    QStringList texts;
    MenuPresenter::MenuState state;
    state.isConnected = true;
    state.lastQuery = DeviceQueryResponse{};
    state.lastQuery->hwPlatform = HardwarePlatform::rp2350;
    state.lastQuery->bindType = BindType::custom;
    state.statusLightPausedUntil = QDateTime::currentDateTime();
    const auto menu = [&] {
        const MenuPresenter::MenuView view = MenuPresenter::menuView(state);
        texts << view.deviceStatus.text << view.accessHint.text << view.appUpdate.text << view.firmwareUpdate.text
              << view.pauseMenu.text << view.timer.text << view.customShortcut.text << view.toolTip;
    };
    for (const auto kind : upTo(AppUpdater::State::Kind::installFailed)) {
        for (const auto error : upTo(AppUpdateError::installStartFailed)) {
            state.appUpdate.kind = kind;
            state.appUpdate.error = error;
            texts << AppUpdatePresenter::progress(state.appUpdate).statusText;
            menu();
        }
    }
    for (const auto kind : upTo(TarnUpdateState::Kind::failed)) {
        for (const auto error : upTo(TarnUpdateError::Kind::reconnectTimeout)) {
            state.firmware = {};
            state.firmware.kind = kind;
            state.firmware.error = TarnUpdateError(error);
            state.firmware.totalBytes = 2;
            const auto window = TarnUpdatePresenter::progressWindow(state.firmware);
            texts << window.statusText << window.progressCaption;
            menu();
        }
    }
    for (const auto showing : upTo(LedShowing::Kind::off)) {
        state.ledShowing = {showing, QStringLiteral("mic_muted"), QStringLiteral("Mic Muted")};
        state.statusLightPausedUntil.reset();
        menu();
    }
    for (const auto phase : upTo(PomodoroPhase::longBreak)) {
        for (const auto kind : {TimerKind::simple, TimerKind::pomodoro}) {
            state.timerKind = kind;
            state.pomodoroPhase = phase;
            state.timerExpired = phase == PomodoroPhase::work;
            const auto window = TimerPresenter::timerWindow(kind, state.timerExpired, phase, 65, 1, 4, true);
            texts << window.simpleStatus << window.simpleButton << window.phaseName << window.cycleLine;
            menu();
        }
    }
    state.isConnected = false;
    state.hasInaccessibleDevice = true;
    menu();
    const auto alert = [&](const Alert &shown) {
        texts << shown.message << shown.informativeText << shown.buttons;
    };
    alert(MenuPresenter::quitDuringFirmwareUpdateAlert());
    texts << LegalAgreementPresenter::present(true, true).acceptedNotice;
    for (const auto kind : upTo(AppBundle::Installation::Kind::notWritable)) {
        alert(UninstallConfirmation::alert({QStringLiteral("/opt/x"), {}, {}, {kind, QStringLiteral("x")}, {}}));
    }
    CustomShortcutPresenter::State shortcut;
    shortcut.keyNames = CustomShortcutPresenter::KeyNames::desktop;
    for (int usage = 0; usage < 0x60; ++usage) {
        shortcut.capturedMods = 0x0F;
        shortcut.capturedKeycode = static_cast<std::uint8_t>(usage);
        shortcut.gapIndex = usage % 7;
        texts << CustomShortcutPresenter::customShortcutView(shortcut).recorderLabel
              << CustomShortcutPresenter::customShortcutView(shortcut).gapCaption;
    }
    return texts;
}

// Every text a person can see or hear in this window or menu, its own and its children's.
QStringList widgetTexts(QWidget &window)
{
    QStringList texts{window.windowTitle()};
    QList<QWidget *> widgets = window.findChildren<QWidget *>();
    widgets.prepend(&window);
    for (QWidget *widget : widgets) {
        texts << widget->toolTip() << widget->accessibleName() << widget->accessibleDescription();
        if (auto *label = qobject_cast<QLabel *>(widget)) {
            texts << label->text().remove(QRegularExpression(QStringLiteral("<[^>]*>")));
        } else if (auto *button = qobject_cast<QAbstractButton *>(widget)) {
            texts << button->text();
        } else if (auto *group = qobject_cast<QGroupBox *>(widget)) {
            texts << group->title();
        } else if (auto *combo = qobject_cast<QComboBox *>(widget)) {
            for (int i = 0; i < combo->count(); ++i) {
                texts << combo->itemText(i);
            }
        } else if (auto *spin = qobject_cast<QSpinBox *>(widget)) {
            texts << spin->prefix() << spin->suffix() << spin->specialValueText();
        } else if (auto *line = qobject_cast<QLineEdit *>(widget)) {
            texts << line->placeholderText();
        } else if (auto *list = qobject_cast<QAbstractItemView *>(widget); list && list->model()) {
            for (int row = 0; row < list->model()->rowCount(); ++row) {
                texts << list->model()->index(row, 0).data().toString();
            }
        } else if (auto *menu = qobject_cast<QMenu *>(widget)) {
            texts << menu->title();
            for (QAction *action : menu->actions()) {
                texts << action->text() << action->toolTip();
            }
        }
    }
    return texts;
}

// The messages of a .ts file; an unfinished translation reads as empty.
struct Message {
    QString context;
    QString source;
    QStringList translations; // one, or one per plural form
};

std::vector<Message> readMessages(const QString &path)
{
    QFile file(path);
    std::vector<Message> messages;
    QString context;
    bool numerus = false;
    QXmlStreamReader xml(file.open(QIODevice::ReadOnly) ? &file : nullptr);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) {
            continue;
        }
        const QString name = xml.name().toString();
        if (name == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (name == QLatin1String("message")) {
            numerus = xml.attributes().hasAttribute(QLatin1String("numerus"));
            messages.push_back({context, {}, {}});
        } else if (name == QLatin1String("source")) {
            messages.back().source = xml.readElementText();
        } else if (name == QLatin1String("translation") && xml.attributes().hasAttribute(QLatin1String("type"))) {
            messages.back().translations << QString(); // unfinished, vanished or obsolete
        } else if ((name == QLatin1String("translation") && !numerus) || name == QLatin1String("numerusform")) {
            messages.back().translations << xml.readElementText();
        }
    }
    return messages;
}

QStringList placeholders(const QString &text)
{
    static const QRegularExpression mark(QStringLiteral("%(?:[1-9]|n)"));
    QStringList found;
    for (const auto &match : mark.globalMatch(text)) {
        found << match.captured();
    }
    found.sort();
    found.removeDuplicates();
    return found;
}

} // namespace

class TranslationsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A text that skips the translation system stays English in every language.
    void everyShownTextGoesThroughTheTranslations()
    {
        MarkingTranslator marking;
        QCoreApplication::installTranslator(&marking);
        QStringList texts = presenterTexts();

        TemporaryConfigHome home;
        QTemporaryDir data;
        qputenv("XDG_DATA_HOME", data.path().toUtf8());
        auto bus = std::make_unique<SimulatedHidBus>();
        auto *simBus = bus.get();
        SimulatedDorvel device;
        TamselDesktopApp app(fakePorts(std::move(bus), std::make_unique<FakeTriggerListener>()));
        app.launch();
        simBus->plug(device, 0x14200000);
        KESTRIX_WAIT_FOR(app.hid().lastQuery().has_value());
        KESTRIX_WAIT_FOR(app.tarnUpdater().state().kind != TarnUpdateState::Kind::checkingForUpdate);
        texts << widgetTexts(app.trayMenu());
        for (const char *id : {MenuPresenter::WindowIds::legalAgreement, MenuPresenter::WindowIds::rgbSettings,
                               MenuPresenter::WindowIds::statusRules, MenuPresenter::WindowIds::timer,
                               MenuPresenter::WindowIds::customShortcut, MenuPresenter::WindowIds::appUpdateProgress,
                               MenuPresenter::WindowIds::tarnUpdateProgress, TamselDesktopApp::menuWindowId}) {
            QWidget *window = app.windows().openWindow(QString::fromLatin1(id));
            QVERIFY2(window, id);
            texts << widgetTexts(*window);
        }
        simBus->unplugAll();

        QStringList untranslated;
        for (const QString &text : std::as_const(texts)) {
            if (!untranslatedWords(text).isEmpty()) {
                untranslated << text;
            }
        }
        untranslated.removeDuplicates();
        QVERIFY2(untranslated.isEmpty(), qPrintable(untranslated.join(QLatin1Char('\n'))));
        QCoreApplication::removeTranslator(&marking);
    }

    // Each shipped language translates exactly the texts of today's sources, every one of them,
    // keeping its placeholders and its trailing ellipsis.
    void shippedLanguagesAreCompleteAndCurrent()
    {
        QTemporaryDir dir;
        const QString fresh = dir.filePath(QStringLiteral("fresh.ts"));
        QProcess lupdate;
        lupdate.start(kestrix::buildpaths::lupdate(),
                      {QStringLiteral("-silent"), QStringLiteral("-locations"), QStringLiteral("none"),
                       kestrix::buildpaths::sourceDir() + QStringLiteral("/src"), QStringLiteral("-ts"), fresh});
        QVERIFY(lupdate.waitForFinished(60000));
        QCOMPARE(lupdate.exitCode(), 0);
        const std::vector<Message> sources = readMessages(fresh);
        QVERIFY(sources.size() > 100);

        const QDir translations(kestrix::buildpaths::sourceDir() + QStringLiteral("/translations"));
        const QStringList shipped = translations.entryList({QStringLiteral("kestrix_*.ts")});
        QCOMPARE(shipped.size(), 3);
        for (const QString &name : shipped) {
            const QString path = translations.filePath(name);
            const std::vector<Message> messages = readMessages(path);
            QStringList problems;
            const auto said = [&](const Message &message, const char *what) {
                problems << QStringLiteral("%1 / %2: %3").arg(message.context, message.source, QLatin1String(what));
            };
            const auto keys = [](const std::vector<Message> &list) {
                QSet<QString> set;
                for (const Message &message : list) {
                    set.insert(message.context + QStringLiteral(" / ") + message.source);
                }
                return set;
            };
            for (const QString &key : keys(sources) - keys(messages)) {
                problems << key + QStringLiteral(": missing");
            }
            for (const QString &key : keys(messages) - keys(sources)) {
                problems << key + QStringLiteral(": no longer in the sources");
            }
            for (const Message &message : messages) {
                if (message.translations.isEmpty()) {
                    said(message, "not finished");
                }
                for (const QString &translation : message.translations) {
                    if (translation.isEmpty() || placeholders(translation) != placeholders(message.source)) {
                        said(message, "unfinished, or placeholders differ");
                    }
                    if (message.source.endsWith(QStringLiteral("…")) != translation.endsWith(QStringLiteral("…"))) {
                        said(message, "ellipsis differs");
                    }
                }
            }
            QVERIFY2(problems.isEmpty(), qPrintable(path + QLatin1Char('\n') + problems.join(QLatin1Char('\n'))));
        }
    }

    // The first preferred language that English or a shipped file serves decides.
    void languageFollowsThePreferenceOrder()
    {
        const QStringList shipped{QStringLiteral("de"), QStringLiteral("fr")};
        const auto chosen = [&](const char *preferred) {
            return Translations::chooseLanguage(QString::fromLatin1(preferred).split(QLatin1Char(' ')), shipped)
                .value_or(QStringLiteral("English"));
        };
        QCOMPARE(chosen("de-AT en"), QStringLiteral("de"));
        QCOMPARE(chosen("pt-BR fr_CA de"), QStringLiteral("fr"));
        QCOMPARE(chosen("en-GB de"), QStringLiteral("English"));
        QCOMPARE(chosen("C"), QStringLiteral("English"));
        QCOMPARE(chosen("pt-BR"), QStringLiteral("English"));
    }
};

QTEST_MAIN(TranslationsTest)
#include "tst_translations.moc"
