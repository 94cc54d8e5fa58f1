#include "platform/linux/calendar/ICalendarFile.h"
#include "support/TestMain.h"

#include <QLoggingCategory>

#include <sys/mman.h>
#include <unistd.h>

namespace {
QStringList g_messages;

void collect(QtMsgType, const QMessageLogContext &context, const QString &message)
{
    g_messages << QString::fromLatin1(context.category) + QStringLiteral(": ") + message;
}

// Everything the process writes to its standard error while `work` runs.
template <typename Work>
QByteArray stderrDuring(Work work)
{
    const int sink = ::memfd_create("stderr", MFD_CLOEXEC);
    const int saved = ::dup(STDERR_FILENO);
    ::dup2(sink, STDERR_FILENO);
    work();
    std::fflush(stderr);
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
    QByteArray text(4096, '\0');
    const ssize_t got = ::pread(sink, text.data(), text.size(), 0);
    ::close(sink);
    text.truncate(got > 0 ? got : 0);
    return text;
}
} // namespace

// libical prints its complaints about broken calendar files on standard error; Kestrix sends
// them through its calendar logging category instead.
class LibicalMessagesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void brokenFilesSpeakThroughTheCalendarCategory()
    {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("sanitizer builds leave standard error alone, so their reports are never swallowed");
#endif
        const QByteArray broken = "END:VEVENT\r\nBEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\n"
                                  "DTSTART:20261207T100000Z\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";

        // Quiet by default: neither the terminal nor the log hears of it.
        g_messages.clear();
        const auto previous = qInstallMessageHandler(collect);
        QByteArray written = stderrDuring([&] { ICalendarFile::parse(broken); });
        QCOMPARE(written, QByteArray());
        QCOMPARE(g_messages, QStringList());

        QLoggingCategory::setFilterRules(QStringLiteral("kestrix.signals*=true"));
        written = stderrDuring([&] { ICalendarFile::parse(broken); });
        QLoggingCategory::setFilterRules({});
        qInstallMessageHandler(previous);
        QCOMPARE(written, QByteArray());
        QCOMPARE(g_messages,
                 QStringList{QStringLiteral("kestrix.signals.calendar: libical: Encountered END before BEGIN")});
    }
};

QTEST_GUILESS_MAIN(LibicalMessagesTest)
#include "tst_libicalmessages.moc"
