#include "platform/linux/update/BundleManifest.h"

#include <QByteArray>

#include <algorithm>

namespace {

constexpr std::string_view manifestHeader = "kestrix-bundle-manifest 2";
constexpr std::string_view signatureHeader = "kestrix-bundle-signature 1";
constexpr char hexDigits[] = "0123456789abcdef";

// Splits at '\n'; the text must end with one, and no line may be empty.
std::optional<std::vector<std::string_view>> lines(std::string_view text)
{
    if (text.empty() || text.back() != '\n') {
        return std::nullopt;
    }
    std::vector<std::string_view> out;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        if (end == 0) {
            return std::nullopt;
        }
        out.push_back(text.substr(0, end));
        text.remove_prefix(end + 1);
    }
    return out;
}

std::vector<std::string_view> fields(std::string_view line)
{
    std::vector<std::string_view> out;
    while (true) {
        const std::size_t tab = line.find('\t');
        out.push_back(line.substr(0, tab));
        if (tab == std::string_view::npos) {
            return out;
        }
        line.remove_prefix(tab + 1);
    }
}

bool hasControlCharacter(std::string_view text)
{
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
}

std::optional<std::array<std::uint8_t, 32>> fromHex(std::string_view text)
{
    std::array<std::uint8_t, 32> out{};
    if (text.size() != 2 * out.size()) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < out.size(); ++i) {
        // Lower case only, so the text form stays canonical.
        const auto digit = [](char c) -> int {
            if (c >= '0' && c <= '9') {
                return c - '0';
            }
            if (c >= 'a' && c <= 'f') {
                return c - 'a' + 10;
            }
            return -1;
        };
        const int high = digit(text[2 * i]);
        const int low = digit(text[2 * i + 1]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        out[i] = static_cast<std::uint8_t>(high * 16 + low);
    }
    return out;
}

std::string toHex(const std::array<std::uint8_t, 32> &bytes)
{
    std::string out;
    for (std::uint8_t byte : bytes) {
        out += hexDigits[byte >> 4];
        out += hexDigits[byte & 0x0F];
    }
    return out;
}

template <std::size_t N>
std::string toBase64(const std::array<std::uint8_t, N> &bytes)
{
    return QByteArray(reinterpret_cast<const char *>(bytes.data()), qsizetype(N)).toBase64().toStdString();
}

// Exactly N bytes in canonical padded base64.
template <std::size_t N>
std::optional<std::array<std::uint8_t, N>> fromBase64(std::string_view text)
{
    const QByteArray encoded(text.data(), qsizetype(text.size()));
    const auto decoded = QByteArray::fromBase64Encoding(encoded, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || decoded.decoded.size() != qsizetype(N) || decoded.decoded.toBase64() != encoded) {
        return std::nullopt;
    }
    std::array<std::uint8_t, N> out{};
    std::copy(decoded.decoded.begin(), decoded.decoded.end(), out.begin());
    return out;
}

std::vector<std::string_view> components(std::string_view path)
{
    std::vector<std::string_view> out;
    while (true) {
        const std::size_t slash = path.find('/');
        out.push_back(path.substr(0, slash));
        if (slash == std::string_view::npos) {
            return out;
        }
        path.remove_prefix(slash + 1);
    }
}

} // namespace

bool BundleManifest::isValidLabel(std::string_view text)
{
    return !text.empty() && !hasControlCharacter(text);
}

bool BundleManifest::isValidPath(std::string_view path)
{
    if (path.empty() || hasControlCharacter(path)) {
        return false;
    }
    const auto parts = components(path);
    if (parts.front() == signatureFolder) {
        return false;
    }
    return std::none_of(parts.begin(), parts.end(),
                        [](std::string_view part) { return part.empty() || part == "." || part == ".."; });
}

bool BundleManifest::isContainedLinkTarget(std::string_view linkPath, std::string_view target)
{
    if (target.empty() || target.front() == '/' || hasControlCharacter(target)) {
        return false;
    }
    // The folders above the link, then the target's steps from there.
    auto stack = components(linkPath);
    stack.pop_back();
    for (std::string_view part : components(target)) {
        if (part.empty() || part == ".") {
            continue;
        }
        if (part == "..") {
            if (stack.empty()) {
                return false;
            }
            stack.pop_back();
        } else {
            stack.push_back(part);
        }
    }
    return true;
}

std::optional<BundleManifest> BundleManifest::parse(std::string_view text)
{
    const auto all = lines(text);
    if (!all || all->size() < 3 || all->front() != manifestHeader) {
        return std::nullopt;
    }
    BundleManifest manifest;
    const auto identifier = fields((*all)[1]);
    const auto version = fields((*all)[2]);
    if (identifier.size() != 2 || identifier[0] != "identifier" || !isValidLabel(identifier[1]) ||
        version.size() != 2 || version[0] != "version" || !isValidLabel(version[1])) {
        return std::nullopt;
    }
    manifest.identifier = identifier[1];
    manifest.version = version[1];
    for (std::size_t i = 3; i < all->size(); ++i) {
        const auto parts = fields((*all)[i]);
        Entry entry;
        if (parts.size() == 4 && parts[0] == "file") {
            const auto digest = fromHex(parts[1]);
            if (!digest || (parts[2] != "x" && parts[2] != "-")) {
                return std::nullopt;
            }
            entry.kind = Entry::Kind::file;
            entry.sha256 = *digest;
            entry.executable = parts[2] == "x";
            entry.path = parts[3];
        } else if (parts.size() == 3 && parts[0] == "link") {
            entry.kind = Entry::Kind::link;
            entry.path = parts[1];
            entry.linkTarget = parts[2];
            if (!isContainedLinkTarget(entry.path, entry.linkTarget)) {
                return std::nullopt;
            }
        } else {
            return std::nullopt;
        }
        if (!isValidPath(entry.path)) {
            return std::nullopt;
        }
        if (!manifest.entries.empty() && !(manifest.entries.back().path < entry.path)) {
            return std::nullopt; // unsorted or repeated
        }
        manifest.entries.push_back(std::move(entry));
    }
    return manifest;
}

std::string BundleManifest::serialize() const
{
    std::string out(manifestHeader);
    out += "\nidentifier\t" + identifier + "\nversion\t" + version + '\n';
    for (const Entry &entry : entries) {
        if (entry.kind == Entry::Kind::file) {
            out += "file\t" + toHex(entry.sha256) + '\t' + (entry.executable ? "x" : "-") + '\t' + entry.path + '\n';
        } else {
            out += "link\t" + entry.path + '\t' + entry.linkTarget + '\n';
        }
    }
    return out;
}

std::optional<BundleSignatureFile> BundleSignatureFile::parse(std::string_view text)
{
    const auto all = lines(text);
    if (!all || all->size() != 3 || (*all)[0] != signatureHeader) {
        return std::nullopt;
    }
    const auto keyFields = fields((*all)[1]);
    const auto signatureFields = fields((*all)[2]);
    if (keyFields.size() != 2 || keyFields[0] != "key" || signatureFields.size() != 2 ||
        signatureFields[0] != "signature") {
        return std::nullopt;
    }
    const auto key = fromBase64<32>(keyFields[1]);
    const auto signature = fromBase64<64>(signatureFields[1]);
    if (!key || !signature) {
        return std::nullopt;
    }
    return BundleSignatureFile{*key, *signature};
}

std::string BundleSignatureFile::serialize() const
{
    return std::string(signatureHeader) + "\nkey\t" + toBase64(publicKey) + "\nsignature\t" + toBase64(signature) +
           '\n';
}
