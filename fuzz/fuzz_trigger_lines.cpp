// Invariants of the trigger line parser that hold for any input a local script may send, checked
// against a plain reading of its rule with Qt's string tools: split the text at line feeds not
// preceded by a carriage return, trim tabs and space separators, split at spaces, and accept a name
// and a 64-bit integer.
#include "signals/TriggerLineParser.h"

#include <QRegularExpression>
#include <QStringList>

#include <cstdint>
#include <cstdio>

#define FUZZ_REQUIRE(condition)                                                                                        \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fputs("invariant broken: " #condition "\n", stderr);                                                  \
            __builtin_trap();                                                                                          \
        }                                                                                                              \
    } while (false)

namespace {

bool isBlank(QChar c)
{
    // Every space separator is in the Basic Multilingual Plane, so one QChar holds it.
    return c == u'\t' || c.category() == QChar::Separator_Space;
}

TriggerReports plainReading(QByteArrayView input)
{
    if (!input.isValidUtf8()) {
        return {};
    }
    static const QRegularExpression lineBreak(QStringLiteral("(?<!\\r)\\n"));
    static const QRegularExpression integer(QStringLiteral("^[+-]?[0-9]+$"));
    TriggerReports reports;
    for (QString line : QString::fromUtf8(input).split(lineBreak)) {
        if (line.contains(u'\n')) {
            continue;
        }
        while (!line.isEmpty() && isBlank(line.front())) {
            line.remove(0, 1);
        }
        while (!line.isEmpty() && isBlank(line.back())) {
            line.chop(1);
        }
        const QStringList pieces = line.split(u' ', Qt::SkipEmptyParts);
        if (pieces.size() != 2 || !integer.match(pieces[1]).hasMatch()) {
            continue;
        }
        bool fits = false;
        const qlonglong value = pieces[1].toLongLong(&fits, 10);
        if (fits) {
            reports.push_back({pieces[0], value != 0});
        }
    }
    return reports;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView input(data, qsizetype(size));
    const TriggerReports reports = parseTriggerInput(input);
    FUZZ_REQUIRE(parseTriggerInput(input) == reports);
    for (const TriggerReport &report : reports) {
        FUZZ_REQUIRE(!report.name.isEmpty());
        FUZZ_REQUIRE(!report.name.contains(u' ') && !report.name.contains(u'\n'));
    }
    FUZZ_REQUIRE(reports == plainReading(input));

    // Read as the first bytes of a longer connection, at most the unfinished last line is lost.
    const TriggerReports cut = parseTriggerInput(input, TriggerInputEnd::cut);
    if (input.isValidUtf8()) {
        FUZZ_REQUIRE(cut.size() <= reports.size() && reports.size() - cut.size() <= 1);
        FUZZ_REQUIRE(std::equal(cut.begin(), cut.end(), reports.begin()));
    }
    return 0;
}
