#pragma once

#include <QProcess>

#include <initializer_list>

// Ends the programs a test started, in the order given: asked to terminate, then killed if one
// has not ended after `waitMs`.
inline void stopProcesses(std::initializer_list<QProcess *> processes, int waitMs = 5000)
{
    for (QProcess *process : processes) {
        if (process->state() != QProcess::NotRunning) {
            process->terminate();
            if (!process->waitForFinished(waitMs)) {
                process->kill();
                process->waitForFinished(waitMs);
            }
        }
    }
}
