// Runs a fuzz entry point without libFuzzer, for compilers that have none: every file named on the
// command line (directories are read file by file), then a sweep of generated inputs from a fixed
// seed, so any failure reproduces. `-runs=N` sets the number of random inputs (default 200000) and
// `-max_len=N` their longest length (default 64). `-dict=FILE` names a dictionary in libFuzzer's
// format (one quoted token a line) of the input's grammar: the corpus inputs are then also
// mutated along that grammar (tokens inserted and repeated, lines dropped, doubled, swapped and
// spliced between inputs), so text parsers see inputs that get past their first checks. Other
// `-flag` arguments are ignored, so a libFuzzer command line works unchanged.
#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);

namespace {

using Input = std::vector<std::uint8_t>;

Input current; // the input under test, written out if it crashes
std::size_t inputsRun = 0;
std::vector<Input> seeds;      // the corpus inputs, for the grammar-aware mutations
std::vector<Input> dictionary; // the grammar's tokens

void writeText(const char *text)
{
    const std::size_t length = std::string_view(text).size();
    if (::write(STDERR_FILENO, text, length) < 0) {
        return;
    }
}

// Async-signal-safe: no allocation, only write().
void onCrash(int signal)
{
    static constexpr char digits[] = "0123456789abcdef";
    writeText("\ncrashing input (hex): ");
    for (std::uint8_t byte : current) {
        const char pair[3] = {digits[byte >> 4], digits[byte & 0x0F], ' '};
        if (::write(STDERR_FILENO, pair, sizeof pair) < 0) {
            break;
        }
    }
    writeText("\n");
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void run(const Input &input)
{
    current = input;
    // An exactly-sized heap copy, so that a sanitizer build sees any read past the end.
    const auto copy = std::make_unique<std::uint8_t[]>(input.size());
    std::copy(input.begin(), input.end(), copy.get());
    LLVMFuzzerTestOneInput(copy.get(), input.size());
    ++inputsRun;
}

void runFile(const std::filesystem::path &path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        std::exit(2);
    }
    seeds.emplace_back(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    run(seeds.back());
}

// Reads a libFuzzer dictionary: `name="token"` or `"token"` lines with \\, \" and \xHH escapes;
// blank lines and lines starting with # are skipped.
void readDictionary(const std::filesystem::path &path)
{
    std::ifstream file(path);
    if (!file) {
        std::fprintf(stderr, "cannot read dictionary %s\n", path.c_str());
        std::exit(2);
    }
    std::string line;
    while (std::getline(file, line)) {
        const auto open = line.find('"');
        const auto close = line.rfind('"');
        if (line.empty() || line[0] == '#' || open == std::string::npos || close <= open) {
            continue;
        }
        Input token;
        for (std::size_t i = open + 1; i < close; ++i) {
            if (line[i] == '\\' && i + 1 < close) {
                if (line[i + 1] == 'x' && i + 3 < close) {
                    token.push_back(std::uint8_t(std::strtoul(line.substr(i + 2, 2).c_str(), nullptr, 16)));
                    i += 3;
                } else {
                    token.push_back(std::uint8_t(line[++i]));
                }
            } else {
                token.push_back(std::uint8_t(line[i]));
            }
        }
        dictionary.push_back(std::move(token));
    }
}

// The input's lines, each with its line break.
std::vector<Input> linesOf(const Input &input)
{
    std::vector<Input> lines(1);
    for (std::uint8_t byte : input) {
        lines.back().push_back(byte);
        if (byte == '\n') {
            lines.emplace_back();
        }
    }
    if (lines.back().empty()) {
        lines.pop_back();
    }
    return lines;
}

Input joined(const std::vector<Input> &lines)
{
    Input out;
    for (const Input &line : lines) {
        out.insert(out.end(), line.begin(), line.end());
    }
    return out;
}

// Mutations along the grammar: a corpus input changed by one to four steps, each a token inserted,
// a span replaced by a token, a token repeated (deep nesting, long runs), or a line dropped,
// doubled, swapped with another or taken from another input.
void grammarSweep(std::size_t count, std::size_t maxLength)
{
    if (seeds.empty()) {
        return;
    }
    std::mt19937 random(20261207U);
    const auto below = [&random](std::size_t n) {
        return n == 0 ? std::size_t(0) : std::size_t(random() % n);
    };
    const auto token = [&]() -> Input {
        return dictionary.empty() ? Input{} : dictionary[below(dictionary.size())];
    };
    const std::size_t longest = std::max<std::size_t>(maxLength, 64);
    for (std::size_t n = 0; n < count; ++n) {
        Input input = seeds[below(seeds.size())];
        const std::size_t steps = 1 + below(4);
        for (std::size_t step = 0; step < steps; ++step) {
            std::vector<Input> lines = linesOf(input);
            switch (below(7)) {
            case 0: { // a token at any place
                const Input t = token();
                input.insert(input.begin() + std::ptrdiff_t(below(input.size() + 1)), t.begin(), t.end());
                break;
            }
            case 1: { // a span replaced by a token
                if (input.empty()) {
                    break;
                }
                const std::size_t at = below(input.size());
                const std::size_t length = std::min(input.size() - at, 1 + below(8));
                const Input t = token();
                input.erase(input.begin() + std::ptrdiff_t(at), input.begin() + std::ptrdiff_t(at + length));
                input.insert(input.begin() + std::ptrdiff_t(at), t.begin(), t.end());
                break;
            }
            case 2: { // a token many times over
                const Input t = token();
                const std::size_t times = 2 + below(200);
                const auto at = input.begin() + std::ptrdiff_t(below(input.size() + 1));
                Input run;
                for (std::size_t i = 0; i < times && run.size() < longest; ++i) {
                    run.insert(run.end(), t.begin(), t.end());
                }
                input.insert(at, run.begin(), run.end());
                break;
            }
            case 3: // a line dropped
                if (!lines.empty()) {
                    lines.erase(lines.begin() + std::ptrdiff_t(below(lines.size())));
                    input = joined(lines);
                }
                break;
            case 4: // a line doubled
                if (!lines.empty()) {
                    const std::size_t at = below(lines.size());
                    lines.insert(lines.begin() + std::ptrdiff_t(at), lines[at]);
                    input = joined(lines);
                }
                break;
            case 5: // two lines swapped
                if (lines.size() > 1) {
                    std::swap(lines[below(lines.size())], lines[below(lines.size())]);
                    input = joined(lines);
                }
                break;
            default: { // a line of another input
                const std::vector<Input> other = linesOf(seeds[below(seeds.size())]);
                if (!other.empty()) {
                    lines.insert(lines.begin() + std::ptrdiff_t(below(lines.size() + 1)), other[below(other.size())]);
                    input = joined(lines);
                }
                break;
            }
            }
        }
        if (input.size() > longest) {
            input.resize(longest);
        }
        run(input);
    }
}

void runPath(const std::filesystem::path &path)
{
    // Like libFuzzer with -create_missing_dirs=1: a corpus directory not made yet holds nothing.
    if (!std::filesystem::exists(path)) {
        std::fprintf(stderr, "no such corpus path, skipped: %s\n", path.c_str());
        return;
    }
    if (!std::filesystem::is_directory(path)) {
        runFile(path);
        return;
    }
    std::vector<std::filesystem::path> files;
    for (const auto &entry : std::filesystem::directory_iterator(path)) {
        if (entry.is_regular_file()) {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    for (const auto &file : files) {
        runFile(file);
    }
}

void sweep(std::size_t randomRuns, std::size_t maxLength)
{
    // Leading bytes that select a decoder, so random tails reach past the first check.
    static constexpr std::uint8_t leads[] = {0xFF, 0x04, 0x03};
    // Values at the edges of the enumerations and flags the decoders read.
    static constexpr std::uint8_t edges[] = {0, 1, 2, 3, 7, 8, 9, 13, 14, 0x80, 0xFF};
    std::mt19937 random(20240611U);
    const auto randomByte = [&random] {
        return std::uint8_t(random() & 0xFF);
    };

    for (int byte = 0; byte < 256; ++byte) {
        run(Input{std::uint8_t(byte)});
    }
    for (std::uint8_t lead : leads) {
        for (std::size_t length = 0; length <= 40; ++length) {
            Input zeros(length, 0);
            Input ones(length, 0xFF);
            Input noise(length);
            std::generate(noise.begin(), noise.end(), randomByte);
            for (Input *input : {&zeros, &ones, &noise}) {
                if (length > 0) {
                    (*input)[0] = lead;
                }
                run(*input);
            }
            // One edge value at a time on a zero background.
            for (std::size_t at = 1; at < length; ++at) {
                for (std::uint8_t edge : edges) {
                    zeros[at] = edge;
                    run(zeros);
                }
                zeros[at] = 0;
            }
        }
    }
    // Random inputs: half arbitrary bytes, a quarter with a decoder's leading byte, a quarter
    // short text made of the characters of version strings.
    static constexpr char textCharacters[] = "0123456789..+- x";
    std::uniform_int_distribution<std::size_t> lengths(0, maxLength);
    for (std::size_t n = 0; n < randomRuns; ++n) {
        Input input(lengths(random));
        switch (n % 4) {
        case 0:
        case 1:
            std::generate(input.begin(), input.end(), randomByte);
            break;
        case 2:
            std::generate(input.begin(), input.end(), randomByte);
            if (!input.empty()) {
                input[0] = leads[random() % std::size(leads)];
            }
            break;
        default:
            input.resize(std::min<std::size_t>(input.size(), 24));
            for (auto &c : input) {
                c = std::uint8_t(textCharacters[random() % (sizeof textCharacters - 1)]);
            }
            break;
        }
        run(input);
    }
}

std::size_t flagValue(std::string_view argument, std::string_view flag, std::size_t fallback)
{
    if (!argument.starts_with(flag)) {
        return fallback;
    }
    return std::strtoull(argument.substr(flag.size()).data(), nullptr, 10);
}

} // namespace

int main(int argc, char **argv)
{
    std::signal(SIGILL, onCrash);
    std::signal(SIGABRT, onCrash);
    std::signal(SIGTRAP, onCrash);

    std::size_t randomRuns = 200000;
    std::size_t maxLength = 64;
    std::size_t corpusInputs = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument.starts_with('-')) {
            randomRuns = flagValue(argument, "-runs=", randomRuns);
            maxLength = flagValue(argument, "-max_len=", maxLength);
            if (argument.starts_with("-dict=")) {
                readDictionary(std::filesystem::path(argument.substr(6)));
            }
            continue;
        }
        runPath(argv[i]);
        corpusInputs = inputsRun;
    }
    // A dictionary marks a text grammar: a tenth of the runs (at least 2,000) go to its mutations.
    const std::size_t grammarRuns = dictionary.empty() ? 0 : std::max<std::size_t>(randomRuns / 10, 2000);
    grammarSweep(grammarRuns, maxLength);
    const std::size_t grammarInputs = inputsRun - corpusInputs;
    sweep(randomRuns, maxLength);
    std::printf("replayed %zu corpus inputs, %zu grammar mutations and %zu generated inputs\n", corpusInputs,
                grammarInputs, inputsRun - corpusInputs - grammarInputs);
    return 0;
}
