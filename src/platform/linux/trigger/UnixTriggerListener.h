#pragma once

#include "signals/TriggerListener.h"

#include <QByteArray>

#include <atomic>
#include <mutex>
#include <thread>

// The trigger endpoint as a Unix stream socket, served by one worker thread that sets the socket up,
// accepts connections one at a time and reads each to its end, its read silence, the end of its
// lifetime or the destruction of the listener, whichever comes first. The lines are parsed on the
// worker; those of connections that arrive while the main thread is busy reach it together, in one
// queued call.
//
// Set-up, each step of which may end it with no socket:
//  - the socket's folder is created with mode 0700 when missing;
//  - a path too long for a socket address is refused before anything is touched;
//  - a file already at the path is removed only when it cannot be a live endpoint: a socket is
//    first connected to, and left alone if anything accepts (another Kestrix of this user that
//    somehow runs without the single-instance lock keeps its socket);
//  - the socket is bound with mode 0600 from its first moment (see bindOwnerOnly), then chmod'ed
//    to 0600 all the same, and listens with a backlog of 8.
//
// Destruction wakes the worker wherever it waits, joins it, and removes the socket file if it is
// still the one this listener bound.
class UnixTriggerListener : public TriggerListener {
    Q_OBJECT
public:
    explicit UnixTriggerListener(QObject *parent = nullptr);
    ~UnixTriggerListener() override;

    void start(const Options &options) override;

    // A new socket (close-on-exec, non-blocking) bound at `encodedPath`, or -1. Linux creates the
    // socket file with the socket's own mode less the umask, so the socket is made 0600 before
    // bind: the file never exists with wider permissions, whatever the umask, and the process-wide
    // umask is never touched (other threads may be creating files meanwhile).
    static int bindOwnerOnly(const QByteArray &encodedPath);

private:
    class Worker;

    void queueReports(TriggerReports &reports); // worker thread
    void deliverQueued();                       // main thread

    std::thread m_thread;
    std::atomic<bool> m_stopping{false};
    int m_wakeFd = -1; // an eventfd the destructor signals

    std::mutex m_queueMutex;
    TriggerReports m_queued; // guarded by m_queueMutex
};
