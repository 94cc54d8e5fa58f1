#pragma once

#include <QLoggingCategory>

// Diagnostics by subsystem. Every category is quiet by default (only critical messages pass);
// "kestrix --verbose" or QT_LOGGING_RULES (for example "kestrix.device*=true") turns them on.
// Each event worth knowing about (a device attach, a firmware run, an app update, a failure)
// says one line at info level or above; debug lines are for tracing. Categories of backends
// are named below their subsystem's ("kestrix.signals.calendar"), so "kestrix.signals*" takes in
// every watcher.
Q_DECLARE_LOGGING_CATEGORY(lcDevice)   // kestrix.device: attach, detach, device link failures
Q_DECLARE_LOGGING_CATEGORY(lcSignals)  // kestrix.signals: watchers and the trigger server
Q_DECLARE_LOGGING_CATEGORY(lcRules)    // kestrix.rules: stored rules and the rules engine
Q_DECLARE_LOGGING_CATEGORY(lcTimers)   // kestrix.timers: timer runs
Q_DECLARE_LOGGING_CATEGORY(lcFirmware) // kestrix.firmware: firmware checks and runs
Q_DECLARE_LOGGING_CATEGORY(lcUpdate)   // kestrix.update: app update checks, preparations, installs
