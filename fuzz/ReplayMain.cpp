// Runs a fuzz entry point without libFuzzer, for compilers that have none: every file named on the
// command line (directories are read file by file), then a sweep of generated inputs from a fixed
// seed, so any failure reproduces. `-runs=N` sets the number of random inputs (default 200000) and
// `-max_len=N` their longest length (default 64); other `-flag` arguments are ignored, so a
// libFuzzer command line works unchanged.
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
#include <string_view>
#include <vector>

#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);

namespace {

using Input = std::vector<std::uint8_t>;

Input current; // the input under test, written out if it crashes
std::size_t inputsRun = 0;

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
    run(Input(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()));
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
            continue;
        }
        runPath(argv[i]);
        corpusInputs = inputsRun;
    }
    sweep(randomRuns, maxLength);
    std::printf("replayed %zu corpus inputs and %zu generated inputs\n", corpusInputs, inputsRun - corpusInputs);
    return 0;
}
