#include "device/ui/ApplicationKeyEventMonitor.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QPointer>

#include <utility>

namespace {

class KeyPressFilter : public QObject {
public:
    KeyPressFilter(KeyboardConventions conventions, KeyEventMonitor::Handler handler)
        : QObject(QCoreApplication::instance()), m_conventions(conventions), m_handler(std::move(handler))
    {
        QCoreApplication::instance()->installEventFilter(this);
    }

    // Called when the installation goes, possibly from inside the handler: nothing more is
    // delivered, and the filter is deleted once control is back in the event loop.
    void retire()
    {
        QCoreApplication::instance()->removeEventFilter(this);
        m_retired = true;
        deleteLater();
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (m_retired) {
            return false;
        }
        switch (event->type()) {
        case QEvent::ShortcutOverride:
            // Claiming the press here keeps shortcuts and menu accelerators from taking it before
            // it is delivered as a key press.
            event->accept();
            return true;
        case QEvent::KeyPress: {
            const auto *key = static_cast<QKeyEvent *>(event);
            m_handler(KeyTranslation::translate(m_conventions, key->nativeScanCode(), key->nativeVirtualKey(),
                                                key->modifiers()));
            return true;
        }
        default:
            return false;
        }
    }

private:
    KeyboardConventions m_conventions;
    KeyEventMonitor::Handler m_handler;
    bool m_retired = false;
};

class FilterInstallation : public KeyEventMonitor::Installation {
public:
    explicit FilterInstallation(KeyPressFilter *filter) : m_filter(filter) {}
    ~FilterInstallation() override
    {
        if (m_filter) {
            m_filter->retire();
        }
    }

private:
    QPointer<KeyPressFilter> m_filter; // owned by the application object, gone with it
};

} // namespace

ApplicationKeyEventMonitor::ApplicationKeyEventMonitor(KeyboardConventions conventions) : m_conventions(conventions) {}

std::unique_ptr<KeyEventMonitor::Installation> ApplicationKeyEventMonitor::install(Handler handler)
{
    return std::make_unique<FilterInstallation>(new KeyPressFilter(m_conventions, std::move(handler)));
}
