#include "util/Logging.h"

Q_LOGGING_CATEGORY(lcDevice, "kestrix.device", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcSignals, "kestrix.signals", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcRules, "kestrix.rules", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcTimers, "kestrix.timers", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcFirmware, "kestrix.firmware", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcUpdate, "kestrix.update", QtCriticalMsg)
