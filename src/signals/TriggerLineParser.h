#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>
#include <vector>

// The text protocol scripts use to report signals, one connection at a time:
//
//  - The connection's bytes must be UTF-8 as a whole; otherwise none of its lines count.
//  - Lines end at a line feed, except a line feed right after a carriage return: CR LF is not a
//    line break here, so the text around it stays one line, and a line holding a CR LF is invalid
//    as a whole (a name or value never contains a line feed).
//  - A line is trimmed of blanks (tabs and Unicode space separators, never line breaks) at both
//    ends and split at U+0020 spaces only, empty pieces dropped. It must give exactly two pieces:
//    the signal's name, kept as it is (case-sensitive), and its value, a signed 64-bit decimal
//    integer ("+" or "-", then ASCII digits only). Zero is off, anything else is on.
//  - Empty and invalid lines are skipped without affecting the others.

// One valid line.
struct TriggerReport {
    QString name;
    bool value = false;

    friend bool operator==(const TriggerReport &, const TriggerReport &) = default;
};

using TriggerReports = std::vector<TriggerReport>;

// How a connection's input ended.
enum class TriggerInputEnd {
    // The client closed it or went silent: its last line counts without a line feed.
    complete,
    // It sent more than the server keeps, or for longer than it serves one connection, and these
    // are the first bytes only: the input counts as if it had ended after its last line break, so
    // a line cut by the limit is dropped.
    cut,
};

// Appends the valid lines of one connection's input to `out`, in order. Pure; any bytes are fine.
void appendTriggerReports(QByteArrayView input, TriggerInputEnd end, TriggerReports &out);

TriggerReports parseTriggerInput(QByteArrayView input, TriggerInputEnd end = TriggerInputEnd::complete);

// One line already split from its input (its own bytes must be UTF-8); absent when invalid.
std::optional<TriggerReport> parseTriggerLine(QByteArrayView line);

// The value piece of a line; absent unless it is a signed 64-bit decimal integer.
std::optional<bool> parseTriggerValue(QByteArrayView text);
