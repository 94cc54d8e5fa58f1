#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>

// Opens the application's auxiliary windows by id, at most one window per id. A window lives from
// its opening until it is closed; closing destroys it with its view state, so the next opening
// starts afresh. Main thread only.
class WindowRouter : public QObject {
    Q_OBJECT
public:
    // Makes a new parentless window; the router owns it from then on.
    using Factory = std::function<QWidget *()>;

    explicit WindowRouter(QObject *parent = nullptr);
    // Deletes the windows still open, without closing them.
    ~WindowRouter() override;

    // A later registration for the same id replaces the earlier one for later openings.
    void registerWindow(const QString &id, Factory factory);

    // Brings the application to the front and shows the window with this id: the open one, raised
    // and restored from minimised, or else a new one. Null for an id that was never registered.
    QWidget *openWindow(const QString &id);

    // The open window with this id, or null.
    QWidget *window(const QString &id) const;

    // Brings forward the open window that was active last (or opened last, where none has been
    // active yet), as openWindow does; null when no window is open.
    QWidget *raiseRecentWindow();

Q_SIGNALS:
    // A new window was made for the id (not emitted when an open one is raised).
    void windowCreated(const QString &id, QWidget *window);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void markRecent(const QString &id);

    QHash<QString, Factory> m_factories;
    QHash<QString, QPointer<QWidget>> m_windows;
    QStringList m_recent; // ids, the window active or opened last first
};
