#include "app/LegalAgreementGate.h"
#include "app/ui/LegalAgreementPresenter.h"
#include "app/ui/LegalAgreementView.h"
#include "app/ui/WindowRouter.h"
#include "support/TestMain.h"
#include "unit/rules/RulesTestSupport.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>

#include <memory>

namespace {

const QString legalAgreement = QStringLiteral("legal-agreement");

QPushButton *button(QWidget *view, const QString &text)
{
    for (QPushButton *candidate : view->findChildren<QPushButton *>()) {
        if (candidate->text() == text) {
            return candidate;
        }
    }
    return nullptr;
}

QCheckBox *agreeToggle(QWidget *view)
{
    return view->findChild<QCheckBox *>();
}

bool showsText(QWidget *view, const QString &text)
{
    for (QLabel *label : view->findChildren<QLabel *>()) {
        if (label->text() == text && label->isVisibleTo(view)) {
            return true;
        }
    }
    return false;
}

} // namespace

class LegalAgreementTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TemporaryConfigHome> home;
    std::unique_ptr<LegalAgreementGate> gate;
    std::unique_ptr<WindowRouter> windows;

    // The terms window as the application opens it: through the router, quitting on request.
    LegalAgreementView *open()
    {
        gate = std::make_unique<LegalAgreementGate>();
        windows = std::make_unique<WindowRouter>();
        windows->registerWindow(legalAgreement, [this] { return new LegalAgreementView(*gate, std::nullopt); });
        return qobject_cast<LegalAgreementView *>(windows->openWindow(legalAgreement));
    }

private Q_SLOTS:
    void init() { home = std::make_unique<TemporaryConfigHome>(); }
    void cleanup()
    {
        windows.reset();
        gate.reset();
        home.reset();
    }

    void gateReadsTheStoredVersion_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("missing") << QVariant() << false;
        QTest::newRow("older version") << QVariant(1) << false;
        QTest::newRow("current version") << QVariant(2) << true;
        QTest::newRow("newer version") << QVariant(3) << true;
        QTest::newRow("not a number") << QVariant(QStringLiteral("yes")) << false;
    }
    void gateReadsTheStoredVersion()
    {
        QFETCH(QVariant, stored);
        QFETCH(bool, accepted);
        if (stored.isValid()) {
            TemporaryConfigHome::store(LegalAgreementGate::acceptedVersionKey(), stored);
        }
        QCOMPARE(LegalAgreementGate().hasAccepted(), accepted);
    }

    void termsHaveTheirStructure()
    {
        const auto &terms = LegalAgreementPresenter::terms();
        QCOMPARE(terms.title, QStringLiteral("Kestrix Terms of Use"));
        QCOMPARE(terms.summaryTitle, QStringLiteral("Summary"));
        QVERIFY(!terms.summary.isEmpty());
        QCOMPARE(terms.sections.size(), 21u);
        for (std::size_t i = 0; i < terms.sections.size(); ++i) {
            QVERIFY(terms.sections[i].title.startsWith(QString::number(i + 1) + QStringLiteral(". ")));
            QVERIFY(!terms.sections[i].body.isEmpty());
        }
        QCOMPARE(terms.sections.back().body, QStringLiteral("Tamsel Labs \u00B7 support@tamsel.example"));
        QVERIFY(terms.versionCaption.startsWith(QStringLiteral("Version 2 ")));
    }

    void acceptIsEnabledOnlyWhileTheToggleIsOn()
    {
        LegalAgreementView *view = open();
        QCOMPARE(view->windowTitle(), QStringLiteral("Legal Agreement"));
        QVERIFY(view->width() >= 520);
        QCOMPARE(view->minimumWidth(), 520);
        QPushButton *accept = button(view, QStringLiteral("Accept"));
        QVERIFY(accept && accept->isVisible());
        QVERIFY(button(view, QStringLiteral("Decline"))->isVisible());
        QCOMPARE(agreeToggle(view)->text(), QStringLiteral("I have read and agree to the terms above"));
        QVERIFY(!agreeToggle(view)->isChecked());
        QVERIFY(!accept->isEnabled());

        QTest::keyClick(view, Qt::Key_Return); // the default action does nothing while disabled
        QVERIFY(!gate->hasAccepted());
        // A size the window manager or the user gave the window stays when the box is ticked.
        const QSize given(view->width() + 180, view->height() + 240);
        view->resize(given);
        agreeToggle(view)->click();
        QVERIFY(accept->isEnabled());
        QCOMPARE(view->size(), given);
        agreeToggle(view)->click();
        QVERIFY(!accept->isEnabled());
        QCOMPARE(view->size(), given);
        QTest::mouseClick(accept, Qt::LeftButton);
        QVERIFY(!gate->hasAccepted());
    }

    void acceptStoresTheVersionAndClosesWithoutQuitting_data()
    {
        QTest::addColumn<bool>("byReturnKey");
        QTest::newRow("button") << false;
        QTest::newRow("Return key") << true;
    }
    void acceptStoresTheVersionAndClosesWithoutQuitting()
    {
        QFETCH(bool, byReturnKey);
        QPointer<LegalAgreementView> view = open();
        QSignalSpy quit(view.data(), &LegalAgreementView::quitRequested);
        QSignalSpy accepted(gate.get(), &LegalAgreementGate::hasAcceptedChanged);
        QTest::mouseClick(agreeToggle(view), Qt::LeftButton);
        if (byReturnKey) {
            QTest::keyClick(view, Qt::Key_Return);
        } else {
            QTest::mouseClick(button(view, QStringLiteral("Accept")), Qt::LeftButton);
        }
        QVERIFY(gate->hasAccepted());
        QCOMPARE(accepted.count(), 1);
        QCOMPARE(TemporaryConfigHome::stored(LegalAgreementGate::acceptedVersionKey()).toInt(), 2);
        QVERIFY(LegalAgreementGate().hasAccepted());
        QTRY_VERIFY(view.isNull()); // closed and gone
        QCOMPARE(quit.count(), 0);
        QCOMPARE(windows->window(legalAgreement), nullptr);
    }

    // Return presses the focused button, whichever it is; with the focus elsewhere it is Accept's.
    // Escape closes the window, which before acceptance is declining.
    void keysFollowTheFocus_data()
    {
        QTest::addColumn<QString>("focus"); // a button's text, or "" for the toggle
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("accepts");
        QTest::newRow("Return on Decline") << QStringLiteral("Decline") << int(Qt::Key_Return) << false;
        QTest::newRow("Enter on Decline") << QStringLiteral("Decline") << int(Qt::Key_Enter) << false;
        QTest::newRow("Return on Accept") << QStringLiteral("Accept") << int(Qt::Key_Return) << true;
        QTest::newRow("Return on the toggle") << QString() << int(Qt::Key_Return) << true;
        QTest::newRow("Escape") << QStringLiteral("Accept") << int(Qt::Key_Escape) << false;
    }
    void keysFollowTheFocus()
    {
        QFETCH(QString, focus);
        QFETCH(int, key);
        QFETCH(bool, accepts);
        QPointer<LegalAgreementView> view = open();
        QSignalSpy quit(view.data(), &LegalAgreementView::quitRequested);
        QTest::mouseClick(agreeToggle(view), Qt::LeftButton);
        QWidget *focused = focus.isEmpty() ? static_cast<QWidget *>(agreeToggle(view)) : button(view, focus);
        focused->setFocus();
        QCOMPARE(view->focusWidget(), focused);
        QTest::keyClick(focused, static_cast<Qt::Key>(key));
        QCOMPARE(gate->hasAccepted(), accepts);
        QCOMPARE(quit.count(), accepts ? 0 : 1);
        if (accepts) {
            QTRY_VERIFY(view.isNull());
        }
    }

    void declineAsksToQuit()
    {
        LegalAgreementView *view = open();
        QSignalSpy quit(view, &LegalAgreementView::quitRequested);
        QTest::mouseClick(button(view, QStringLiteral("Decline")), Qt::LeftButton);
        QCOMPARE(quit.count(), 1);
        QVERIFY(!gate->hasAccepted());
        QVERIFY(!TemporaryConfigHome::stored(LegalAgreementGate::acceptedVersionKey()).isValid());
    }

    void closingBeforeAcceptingAsksToQuit()
    {
        LegalAgreementView *view = open();
        QSignalSpy quit(view, &LegalAgreementView::quitRequested);
        QTest::mouseClick(agreeToggle(view), Qt::LeftButton); // ticking alone is not accepting
        QVERIFY(view->close());
        QCOMPARE(quit.count(), 1);
        QVERIFY(!gate->hasAccepted());
    }

    void afterAcceptanceTheWindowOnlyShowsANotice()
    {
        TemporaryConfigHome::store(LegalAgreementGate::acceptedVersionKey(), 2);
        LegalAgreementView *view = open();
        QSignalSpy quit(view, &LegalAgreementView::quitRequested);
        QVERIFY(showsText(view, QStringLiteral("You've already agreed to these terms (version 2).")));
        QVERIFY(!agreeToggle(view)->isVisible());
        QVERIFY(!button(view, QStringLiteral("Accept"))->isVisible());
        QVERIFY(!button(view, QStringLiteral("Decline"))->isVisible());
        QTest::keyClick(view, Qt::Key_Return);
        QVERIFY(view->close());
        QCOMPARE(quit.count(), 0);
    }

    // One window per id; closing destroys it, so the next opening starts with the toggle off.
    void theRouterKeepsOneWindowPerId()
    {
        LegalAgreementView *view = open();
        QSignalSpy created(windows.get(), &WindowRouter::windowCreated);
        QCOMPARE(windows->openWindow(legalAgreement), view);
        QCOMPARE(created.count(), 0);
        QCOMPARE(windows->openWindow(QStringLiteral("no-such-window")), nullptr);

        gate->accept(); // so closing does not ask to quit
        QTest::mouseClick(agreeToggle(view), Qt::LeftButton);
        QPointer<QWidget> first = view;
        view->close();
        QTRY_VERIFY(first.isNull());
        auto *second = qobject_cast<LegalAgreementView *>(windows->openWindow(legalAgreement));
        QVERIFY(second);
        QCOMPARE(created.count(), 1);
        QVERIFY(!second->hasReadAndAgreed());
        QVERIFY(second->isVisible());
    }
};

QTEST_MAIN(LegalAgreementTest)
#include "tst_legalagreement.moc"
