#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

// Tuesday, 12 March 2024, two days after New York moved to summer time and before Europe did.
inline const QDateTime now(QDate(2024, 3, 12), QTime(15, 0), Qt::UTC);

// Writes a calendar file, making its folder first.
inline bool write(const QString &path, const QByteArray &text)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size();
}
