#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

// The reports a kestrix-devsim received, read back from its --report-log file: one line per report,
// milliseconds since start, a space, the 32 bytes as 64 lower-case hex digits.
inline QList<QByteArray> receivedReports(const QString &logPath)
{
    QFile log(logPath);
    QList<QByteArray> reports;
    if (log.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : log.readAll().split('\n')) {
            const QList<QByteArray> fields = line.split(' ');
            if (fields.size() == 2 && fields[1].size() == 64) {
                reports << fields[1];
            }
        }
    }
    return reports;
}

// A report as the log shows it: the leading bytes zero-filled to 32, in hex.
inline QByteArray hexReport(const char *leadingHex)
{
    QByteArray bytes = QByteArray::fromHex(leadingHex);
    bytes.resize(32, '\0');
    return bytes.toHex();
}

// Whether `run` occurs in `reports` as consecutive entries.
inline bool containsInARow(const QList<QByteArray> &reports, const QList<QByteArray> &run)
{
    for (qsizetype i = 0; i + run.size() <= reports.size(); ++i) {
        if (reports.mid(i, run.size()) == run) {
            return true;
        }
    }
    return false;
}
