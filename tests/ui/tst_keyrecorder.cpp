#include "device/KeyRecorder.h"
#include "device/ui/ApplicationKeyEventMonitor.h"
#include "support/TestMain.h"
#include "support/WidgetTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QSignalSpy>
#include <QWidget>

#include <memory>

namespace {

// Linux input event codes of the keys the tests press.
namespace Evdev {
constexpr quint32 esc = 1, a = 30, k = 37, rightShift = 54, kp1 = 79, f13 = 183, left = 105;
}

// A window that counts the key presses reaching it.
class Target : public QWidget {
public:
    int presses = 0;

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        ++presses;
        event->accept();
    }
};

// As Qt on macOS delivers it: the Mac virtual key code, Command reported as Qt::ControlModifier.
void pressMac(QWidget *target, int key, quint32 macCode, Qt::KeyboardModifiers modifiers = {})
{
    QKeyEvent event(QEvent::KeyPress, key, modifiers, 0, macCode, 0);
    QApplication::sendEvent(target, &event);
}

class CountingMonitor : public KeyEventMonitor {
public:
    explicit CountingMonitor(KeyboardConventions conventions) : inner(conventions) {}
    std::unique_ptr<Installation> install(Handler handler) override
    {
        ++installs;
        return inner.install(std::move(handler));
    }
    ApplicationKeyEventMonitor inner;
    int installs = 0;
};

constexpr KeyboardConventions linuxKeys{KeyboardConventions::KeyCodes::linuxXkbKeycode, false};
constexpr KeyboardConventions macKeys{KeyboardConventions::KeyCodes::macVirtualKey, true};

} // namespace

class KeyRecorderTest : public QObject {
    Q_OBJECT

    std::unique_ptr<CountingMonitor> monitor;
    std::unique_ptr<KeyRecorder> recorder;
    std::unique_ptr<Target> window;

    void makeRecorder(KeyboardConventions conventions)
    {
        monitor = std::make_unique<CountingMonitor>(conventions);
        recorder = std::make_unique<KeyRecorder>(*monitor);
    }
    bool captured(int mods, int keycode) const
    {
        return recorder->capturedMods() == std::optional<std::uint8_t>(mods) &&
               recorder->capturedKeycode() == std::optional<std::uint8_t>(keycode);
    }

private Q_SLOTS:
    void init()
    {
        window = std::make_unique<Target>();
        makeRecorder(linuxKeys);
    }
    void cleanup()
    {
        recorder.reset();
        monitor.reset();
        window.reset();
    }

    void firstMappedKeyCompletesTheRecordingWithItsModifiers()
    {
        QSignalSpy captures(recorder.get(), &KeyRecorder::capturedChanged);
        recorder->startRecording();
        QVERIFY(recorder->isRecording());
        pressLinux(window.get(), Qt::Key_K, Evdev::k, Qt::MetaModifier | Qt::ShiftModifier);
        QVERIFY(!recorder->isRecording());
        QVERIFY(captured(0x0A, 0x0E));
        QCOMPARE(captures.count(), 1);
        QCOMPARE(window->presses, 0);

        // The monitor is gone: presses reach the window again and change nothing.
        pressLinux(window.get(), Qt::Key_A, Evdev::a);
        QCOMPARE(window->presses, 1);
        QVERIFY(captured(0x0A, 0x0E));

        // Qt on macOS: the Mac key code, Command as Qt::ControlModifier, arrows flagged as keypad.
        makeRecorder(macKeys);
        recorder->startRecording();
        pressMac(window.get(), Qt::Key_K, 40, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(captured(0x0A, 0x0E));
        recorder->startRecording();
        pressMac(window.get(), Qt::Key_Left, 123, Qt::KeypadModifier);
        QVERIFY(captured(0x00, 0x50));
        QCOMPARE(window->presses, 1);
    }

    // Modifier keys, keypad keys and F13 are swallowed without ending the recording.
    void unmappedKeysAreConsumedAndChangeNothing()
    {
        QSignalSpy captures(recorder.get(), &KeyRecorder::capturedChanged);
        recorder->startRecording();
        pressLinux(window.get(), Qt::Key_Shift, Evdev::rightShift, Qt::ShiftModifier);
        pressLinux(window.get(), Qt::Key_1, Evdev::kp1, Qt::KeypadModifier);
        pressLinux(window.get(), Qt::Key_F13, Evdev::f13);
        pressLinux(window.get(), Qt::Key_A, 0); // no physical key
        QVERIFY(recorder->isRecording());
        QCOMPARE(recorder->capturedKeycode(), std::nullopt);
        QCOMPARE(captures.count(), 0);
        QCOMPARE(window->presses, 0);

        // Right Shift held for A records as Shift.
        pressLinux(window.get(), Qt::Key_A, Evdev::a, Qt::ShiftModifier);
        QVERIFY(captured(0x02, 0x04));
    }

    void escapeIsRecordedNotACancel()
    {
        recorder->startRecording();
        pressLinux(window.get(), Qt::Key_Escape, Evdev::esc);
        QVERIFY(!recorder->isRecording());
        QVERIFY(captured(0x00, 0x29));
    }

    void startAndStop()
    {
        recorder->startRecording();
        pressLinux(window.get(), Qt::Key_Left, Evdev::left, Qt::ControlModifier);
        QVERIFY(captured(0x01, 0x50));

        // A new recording clears the capture; starting again while recording changes nothing.
        QSignalSpy recording(recorder.get(), &KeyRecorder::isRecordingChanged);
        QSignalSpy captures(recorder.get(), &KeyRecorder::capturedChanged);
        recorder->startRecording();
        QCOMPARE(recorder->capturedMods(), std::nullopt);
        QCOMPARE(recorder->capturedKeycode(), std::nullopt);
        recorder->startRecording();
        QCOMPARE(monitor->installs, 2);
        QCOMPARE(recording.count(), 1);
        QCOMPARE(captures.count(), 1);

        // Stopped from outside with nothing captured: both fields stay absent, keys flow again.
        recorder->stopRecording();
        recorder->stopRecording();
        QCOMPARE(recording.count(), 2);
        QVERIFY(!recorder->isRecording());
        QCOMPARE(recorder->capturedMods(), std::nullopt);
        QCOMPARE(recorder->capturedKeycode(), std::nullopt);
        pressLinux(window.get(), Qt::Key_A, Evdev::a);
        QCOMPARE(window->presses, 1);
    }

    void aDestroyedRecorderLeavesNoMonitorBehind()
    {
        recorder->startRecording();
        recorder.reset();
        pressLinux(window.get(), Qt::Key_A, Evdev::a);
        QCOMPARE(window->presses, 1);
    }

    // Shortcuts are resolved before a key press is delivered; while recording they must not fire.
    void shortcutsDoNotFireWhileRecording()
    {
        auto *action = new QAction(window.get());
        action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K));
        window->addAction(action);
        QSignalSpy triggered(action, &QAction::triggered);
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));

        QTest::keyClick(window.get(), Qt::Key_K, Qt::ControlModifier);
        QCOMPARE(triggered.count(), 1); // the shortcut works at all
        const int presses = window->presses;

        recorder->startRecording();
        QTest::keyClick(window.get(), Qt::Key_K, Qt::ControlModifier);
        QCOMPARE(triggered.count(), 1);
        QCOMPARE(window->presses, presses);
        QVERIFY(recorder->isRecording()); // the test's key event carries no physical key
    }
};

QTEST_MAIN(KeyRecorderTest)
#include "tst_keyrecorder.moc"
