#include "platform/linux/update/BundleSigning.h"

#include <sodium.h>

#include <QByteArray>

#include <algorithm>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace BundleSigning {

namespace {

constexpr std::string_view secretKeyHeader = "kestrix-secret-key 1";
constexpr std::size_t maximumManifestSize = std::size_t{16} * 1024 * 1024;
constexpr std::size_t maximumSignatureSize = 4096;

void ensureSodium()
{
    // Thread-safe, and cheap after the first call.
    if (sodium_init() < 0) {
        std::abort();
    }
}

std::string_view trimmed(std::string_view text)
{
    const auto isSpace = [](char c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\r';
    };
    while (!text.empty() && isSpace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isSpace(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

template <std::size_t N>
std::optional<std::array<std::uint8_t, N>> decodeBase64(std::string_view text)
{
    const QByteArray encoded(text.data(), qsizetype(text.size()));
    const auto decoded = QByteArray::fromBase64Encoding(encoded, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || decoded.decoded.size() != qsizetype(N)) {
        return std::nullopt;
    }
    std::array<std::uint8_t, N> out{};
    std::copy(decoded.decoded.begin(), decoded.decoded.end(), out.begin());
    return out;
}

template <std::size_t N>
std::string encodeBase64(const std::array<std::uint8_t, N> &bytes)
{
    return QByteArray(reinterpret_cast<const char *>(bytes.data()), qsizetype(N)).toBase64().toStdString();
}

// Opens a regular file without following a link in its last component.
int openRegular(const fs::path &path, struct stat &info)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

std::optional<std::string> readSmallFile(const fs::path &path, std::size_t limit)
{
    struct stat info {};
    const int fd = openRegular(path, info);
    if (fd < 0) {
        return std::nullopt;
    }
    std::string out;
    char buffer[65536];
    while (true) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 || out.size() + std::size_t(got) > limit) {
            ::close(fd);
            return std::nullopt;
        }
        if (got == 0) {
            break;
        }
        out.append(buffer, std::size_t(got));
    }
    ::close(fd);
    return out;
}

bool hashFile(const fs::path &path, std::array<std::uint8_t, 32> &digest, bool &executable)
{
    struct stat info {};
    const int fd = openRegular(path, info);
    if (fd < 0) {
        return false;
    }
    crypto_hash_sha256_state state;
    crypto_hash_sha256_init(&state);
    std::uint8_t buffer[65536];
    bool ok = true;
    while (true) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0) {
            ok = false;
            break;
        }
        if (got == 0) {
            break;
        }
        crypto_hash_sha256_update(&state, buffer, std::size_t(got));
    }
    ::close(fd);
    crypto_hash_sha256_final(&state, digest.data());
    executable = (info.st_mode & S_IXUSR) != 0;
    return ok;
}

bool isInside(const fs::path &path, const fs::path &root)
{
    const auto [rootEnd, pathAt] = std::mismatch(root.begin(), root.end(), path.begin(), path.end());
    return rootEnd == root.end();
}

bool writeFile(const fs::path &path, std::string_view contents)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        return false;
    }
    std::size_t done = 0;
    while (done < contents.size()) {
        const ssize_t wrote = ::write(fd, contents.data() + done, contents.size() - done);
        if (wrote <= 0) {
            ::close(fd);
            return false;
        }
        done += std::size_t(wrote);
    }
    return ::close(fd) == 0;
}

struct Walk {
    std::optional<BundleManifest> manifest;
    std::set<std::string> folders; // every folder below the root, by relative path
    std::string error;
};

Walk walk(const fs::path &bundle)
{
    Walk out;
    std::error_code error;
    const fs::file_status rootStatus = fs::symlink_status(bundle, error);
    if (error || !fs::is_directory(rootStatus)) {
        out.error = "not a folder: " + bundle.string();
        return out;
    }
    const fs::path canonicalRoot = fs::canonical(bundle, error);
    if (error) {
        out.error = "cannot resolve " + bundle.string();
        return out;
    }
    BundleManifest manifest;
    fs::recursive_directory_iterator it(bundle, fs::directory_options::none, error);
    for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        const fs::path &path = it->path();
        const std::string relative = path.lexically_relative(bundle).generic_string();
        if (it.depth() == 0 && path.filename() == BundleManifest::signatureFolder) {
            it.disable_recursion_pending();
            continue;
        }
        if (!BundleManifest::isValidPath(relative)) {
            out.error = "name not allowed in a bundle: " + relative;
            return out;
        }
        const fs::file_status status = it->symlink_status(error);
        if (error) {
            break;
        }
        BundleManifest::Entry entry;
        entry.path = relative;
        if (fs::is_symlink(status)) {
            entry.kind = BundleManifest::Entry::Kind::link;
            entry.linkTarget = fs::read_symlink(path, error).string();
            if (error) {
                break;
            }
            // Read as text, then as the file system resolves it through any other link.
            const fs::path resolved = fs::weakly_canonical(path, error);
            if (error || !BundleManifest::isContainedLinkTarget(relative, entry.linkTarget) ||
                !isInside(resolved, canonicalRoot)) {
                out.error = "link leaves the bundle: " + relative;
                return out;
            }
        } else if (fs::is_directory(status)) {
            out.folders.insert(relative);
            continue;
        } else if (fs::is_regular_file(status)) {
            if (!hashFile(path, entry.sha256, entry.executable)) {
                out.error = "cannot read " + relative;
                return out;
            }
        } else {
            out.error = "neither a file, a folder nor a link: " + relative;
            return out;
        }
        manifest.entries.push_back(std::move(entry));
    }
    if (error) {
        out.error = "cannot list " + bundle.string() + ": " + error.message();
        return out;
    }
    std::sort(manifest.entries.begin(), manifest.entries.end(),
              [](const auto &a, const auto &b) { return a.path < b.path; });
    out.manifest = std::move(manifest);
    return out;
}

// A folder that leads to nothing the manifest lists, if there is one.
std::optional<std::string> unlistedFolder(const BundleManifest &manifest, const std::set<std::string> &folders)
{
    std::set<std::string> implied;
    for (const auto &entry : manifest.entries) {
        for (fs::path parent = fs::path(entry.path).parent_path(); !parent.empty(); parent = parent.parent_path()) {
            implied.insert(parent.generic_string());
        }
    }
    for (const std::string &folder : folders) {
        if (!implied.contains(folder)) {
            return folder;
        }
    }
    return std::nullopt;
}

} // namespace

KeyPair generateKeyPair()
{
    ensureSodium();
    KeyPair key;
    crypto_sign_keypair(key.publicKey.data(), key.secretKey.data());
    return key;
}

std::string teamIdentifier(const PublicKey &publicKey)
{
    ensureSodium();
    std::array<std::uint8_t, crypto_hash_sha256_BYTES> digest{};
    crypto_hash_sha256(digest.data(), publicKey.data(), publicKey.size());
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string out;
    for (std::size_t i = 0; i < 8; ++i) {
        out += digits[digest[i] >> 4];
        out += digits[digest[i] & 0x0F];
    }
    return out;
}

std::string secretKeyFileText(const KeyPair &key)
{
    return std::string(secretKeyHeader) + '\n' + encodeBase64(key.secretKey) + '\n';
}

std::optional<KeyPair> parseSecretKeyFile(std::string_view text)
{
    text = trimmed(text);
    if (!text.starts_with(secretKeyHeader)) {
        return std::nullopt;
    }
    const auto secret = decodeBase64<64>(trimmed(text.substr(secretKeyHeader.size())));
    if (!secret) {
        return std::nullopt;
    }
    ensureSodium();
    KeyPair key;
    key.secretKey = *secret;
    crypto_sign_ed25519_sk_to_pk(key.publicKey.data(), key.secretKey.data());
    return key;
}

std::string publicKeyText(const PublicKey &publicKey)
{
    return encodeBase64(publicKey);
}

std::optional<PublicKey> parsePublicKey(std::string_view text)
{
    return decodeBase64<32>(trimmed(text));
}

Description describe(const fs::path &bundle)
{
    Walk result = walk(bundle);
    return {std::move(result.manifest), std::move(result.error)};
}

std::string sign(const fs::path &bundle, const KeyPair &key, const Release &release)
{
    if (!BundleManifest::isValidLabel(release.identifier) || !BundleManifest::isValidLabel(release.version)) {
        return "the identifier and the version must be non-empty text without control characters";
    }
    Walk onDisk = walk(bundle);
    if (!onDisk.manifest) {
        return onDisk.error;
    }
    if (const auto empty = unlistedFolder(*onDisk.manifest, onDisk.folders)) {
        return "empty folders cannot be signed: " + *empty;
    }
    onDisk.manifest->identifier = release.identifier;
    onDisk.manifest->version = release.version;
    ensureSodium();
    const std::string manifest = onDisk.manifest->serialize();
    BundleSignatureFile signature;
    signature.publicKey = key.publicKey;
    crypto_sign_detached(signature.signature.data(), nullptr, reinterpret_cast<const unsigned char *>(manifest.data()),
                         manifest.size(), key.secretKey.data());

    const fs::path folder = bundle / BundleManifest::signatureFolder;
    std::error_code error;
    fs::remove_all(folder, error);
    if (error || !fs::create_directory(folder, error)) {
        return "cannot create " + folder.string();
    }
    if (!writeFile(folder / BundleManifest::manifestName, manifest) ||
        !writeFile(folder / BundleManifest::signatureName, signature.serialize())) {
        return "cannot write the signature into " + folder.string();
    }
    return {};
}

bool verifyStrict(const fs::path &bundle, std::string *why)
{
    const auto fail = [why](std::string reason) {
        if (why) {
            *why = std::move(reason);
        }
        return false;
    };
    const fs::path folder = bundle / BundleManifest::signatureFolder;
    std::error_code error;
    if (!fs::is_directory(fs::symlink_status(folder, error))) {
        return fail("not signed");
    }
    std::size_t folderEntries = 0;
    for (fs::directory_iterator it(folder, error); !error && it != fs::directory_iterator(); it.increment(error)) {
        ++folderEntries;
    }
    if (error || folderEntries != 2) {
        return fail("the signature folder holds something else than a manifest and a signature");
    }
    const auto manifestText = readSmallFile(folder / BundleManifest::manifestName, maximumManifestSize);
    const auto signatureText = readSmallFile(folder / BundleManifest::signatureName, maximumSignatureSize);
    if (!manifestText || !signatureText) {
        return fail("not signed");
    }
    const auto signature = BundleSignatureFile::parse(*signatureText);
    const auto manifest = BundleManifest::parse(*manifestText);
    if (!signature || !manifest) {
        return fail("unreadable signature or manifest");
    }
    ensureSodium();
    if (crypto_sign_verify_detached(signature->signature.data(),
                                    reinterpret_cast<const unsigned char *>(manifestText->data()), manifestText->size(),
                                    signature->publicKey.data()) != 0) {
        return fail("the manifest's signature is not valid");
    }
    const Walk onDisk = walk(bundle);
    if (!onDisk.manifest) {
        return fail(onDisk.error);
    }
    if (onDisk.manifest->entries != manifest->entries) {
        return fail("the bundle differs from its manifest");
    }
    // A folder is only allowed as the way to something the manifest lists.
    if (const auto extra = unlistedFolder(*manifest, onDisk.folders)) {
        return fail("folder not in the manifest: " + *extra);
    }
    return true;
}

std::optional<PublicKey> signerKey(const fs::path &bundle)
{
    const auto text =
        readSmallFile(bundle / BundleManifest::signatureFolder / BundleManifest::signatureName, maximumSignatureSize);
    if (!text) {
        return std::nullopt;
    }
    const auto signature = BundleSignatureFile::parse(*text);
    if (!signature) {
        return std::nullopt;
    }
    return signature->publicKey;
}

std::optional<Release> signedRelease(const fs::path &bundle)
{
    const auto text =
        readSmallFile(bundle / BundleManifest::signatureFolder / BundleManifest::manifestName, maximumManifestSize);
    const auto manifest = text ? BundleManifest::parse(*text) : std::nullopt;
    if (!manifest) {
        return std::nullopt;
    }
    return Release{manifest->identifier, manifest->version};
}

} // namespace BundleSigning
