#include "signals/TriggerLineParser.h"

#include <QChar>

#include <cstdint>
#include <utility>

namespace {

constexpr char lineFeed = '\n';
constexpr char carriageReturn = '\r';
constexpr char space = ' ';

bool isContinuationByte(char byte)
{
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

// The code point of the UTF-8 sequence `bytes` (one whole, valid sequence).
char32_t decode(QByteArrayView bytes)
{
    const auto lead = static_cast<unsigned char>(bytes.front());
    if (bytes.size() == 1) {
        return lead;
    }
    char32_t code = lead & (0x7F >> bytes.size());
    for (qsizetype i = 1; i < bytes.size(); ++i) {
        code = (code << 6) | (static_cast<unsigned char>(bytes[i]) & 0x3F);
    }
    return code;
}

qsizetype sequenceLength(char lead)
{
    const auto byte = static_cast<unsigned char>(lead);
    return byte < 0x80 ? 1 : byte < 0xE0 ? 2 : byte < 0xF0 ? 3 : 4;
}

// Trimmed at both ends: tabs and space separators, the whitespace that is not a line break.
bool isBlank(char32_t code)
{
    if (code < 0x80) {
        return code == U' ' || code == U'\t';
    }
    return QChar::category(code) == QChar::Separator_Space;
}

// `text` must be valid UTF-8.
QByteArrayView trimmed(QByteArrayView text)
{
    while (!text.isEmpty()) {
        const qsizetype length = sequenceLength(text.front());
        if (!isBlank(decode(text.first(length)))) {
            break;
        }
        text = text.sliced(length);
    }
    while (!text.isEmpty()) {
        qsizetype start = text.size() - 1;
        while (start > 0 && isContinuationByte(text[start])) {
            --start;
        }
        if (!isBlank(decode(text.sliced(start)))) {
            break;
        }
        text = text.first(start);
    }
    return text;
}

bool breaksLine(QByteArrayView input, qsizetype lineFeedAt)
{
    return lineFeedAt == 0 || input[lineFeedAt - 1] != carriageReturn;
}

// The index of the first line break at or after `from`, or the input's size.
qsizetype nextLineBreak(QByteArrayView input, qsizetype from)
{
    for (qsizetype at = input.indexOf(lineFeed, from); at >= 0; at = input.indexOf(lineFeed, at + 1)) {
        if (breaksLine(input, at)) {
            return at;
        }
    }
    return input.size();
}

// The length of the input up to and including its last line break; 0 without one.
qsizetype lengthOfCompleteLines(QByteArrayView input)
{
    for (qsizetype at = input.lastIndexOf(lineFeed); at >= 0; at = at > 0 ? input.lastIndexOf(lineFeed, at - 1) : -1) {
        if (breaksLine(input, at)) {
            return at + 1;
        }
    }
    return 0;
}

// A line of an input already checked to be UTF-8.
std::optional<TriggerReport> parseCheckedLine(QByteArrayView line)
{
    if (line.contains(lineFeed)) {
        return std::nullopt; // a CR LF joined two lines
    }
    line = trimmed(line);
    QByteArrayView pieces[2];
    int count = 0;
    qsizetype at = 0;
    while (at < line.size()) {
        if (line[at] == space) {
            ++at;
            continue;
        }
        qsizetype pieceEnd = line.indexOf(space, at);
        if (pieceEnd < 0) {
            pieceEnd = line.size();
        }
        if (count == 2) {
            return std::nullopt;
        }
        pieces[count++] = line.sliced(at, pieceEnd - at);
        at = pieceEnd;
    }
    if (count != 2) {
        return std::nullopt;
    }
    const std::optional<bool> value = parseTriggerValue(pieces[1]);
    if (!value) {
        return std::nullopt;
    }
    return TriggerReport{QString::fromUtf8(pieces[0]), *value};
}

} // namespace

std::optional<bool> parseTriggerValue(QByteArrayView text)
{
    bool negative = false;
    if (!text.isEmpty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text = text.sliced(1);
    }
    if (text.isEmpty()) {
        return std::nullopt;
    }
    // The magnitude is read unsigned so that the most negative value fits as well.
    const std::uint64_t limit = negative ? std::uint64_t(1) << 63 : (std::uint64_t(1) << 63) - 1;
    std::uint64_t magnitude = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (magnitude > (limit - digit) / 10) {
            return std::nullopt;
        }
        magnitude = magnitude * 10 + digit;
    }
    return magnitude != 0;
}

std::optional<TriggerReport> parseTriggerLine(QByteArrayView line)
{
    if (!line.isValidUtf8()) {
        return std::nullopt;
    }
    return parseCheckedLine(line);
}

void appendTriggerReports(QByteArrayView input, TriggerInputEnd end, TriggerReports &out)
{
    if (end == TriggerInputEnd::cut) {
        input = input.first(lengthOfCompleteLines(input));
    }
    if (!input.isValidUtf8()) {
        return;
    }
    qsizetype start = 0;
    while (start < input.size()) {
        const qsizetype lineEnd = nextLineBreak(input, start);
        if (auto report = parseCheckedLine(input.sliced(start, lineEnd - start))) {
            out.push_back(std::move(*report));
        }
        start = lineEnd + 1;
    }
}

TriggerReports parseTriggerInput(QByteArrayView input, TriggerInputEnd end)
{
    TriggerReports reports;
    appendTriggerReports(input, end, reports);
    return reports;
}
