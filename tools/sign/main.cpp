// kestrix-sign: signs Kestrix bundles and packs them into release images.
#include "platform/linux/update/BundleSigning.h"
#include "platform/linux/update/ReleaseImage.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int exitFailed = 1;
constexpr int exitUsage = 2;
constexpr std::string_view defaultIdentifier = "io.tamsel.desktop";

constexpr std::string_view usageText =
    "usage:\n"
    "  kestrix-sign keygen SECRET_KEY_FILE      make a key pair; prints the public key, then the team\n"
    "  kestrix-sign public-key SECRET_KEY_FILE  print the key pair's public key, then the team\n"
    "  kestrix-sign sign [--identifier ID] SECRET_KEY_FILE BUNDLE VERSION\n"
    "                                            sign the bundle folder in place as release VERSION\n"
    "                                            (major.minor.patch) of the application ID\n"
    "                                            (default io.tamsel.desktop)\n"
    "  kestrix-sign pack BUNDLE IMAGE            pack the bundle as Kestrix.app/ into a release image\n"
    "  kestrix-sign release [--identifier ID] SECRET_KEY_FILE BUNDLE VERSION IMAGE   sign, then pack\n"
    "  kestrix-sign verify [--trust PUBLIC_KEY]... BUNDLE   strict check; with --trust, also the signer\n"
    "  kestrix-sign team BUNDLE                  print the team named by the bundle's signature\n";

int usage()
{
    std::fputs(usageText.data(), stderr);
    return exitUsage;
}

int failed(const std::string &why)
{
    std::fprintf(stderr, "kestrix-sign: %s\n", why.c_str());
    return exitFailed;
}

std::optional<BundleSigning::KeyPair> readSecretKey(const char *path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return std::nullopt;
    }
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    return BundleSigning::parseSecretKeyFile(text);
}

int keygen(const char *path)
{
    const auto key = BundleSigning::generateKeyPair();
    const std::string text = BundleSigning::secretKeyFileText(key);
    // Readable by its owner only, from the moment it exists; an existing file is never replaced.
    const int fd = ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0 || ::write(fd, text.data(), text.size()) != ssize_t(text.size()) || ::close(fd) != 0) {
        return failed(std::string("cannot create ") + path);
    }
    std::printf("%s\n%s\n", BundleSigning::publicKeyText(key.publicKey).c_str(),
                BundleSigning::teamIdentifier(key.publicKey).c_str());
    return 0;
}

int publicKey(const char *keyPath)
{
    const auto key = readSecretKey(keyPath);
    if (!key) {
        return failed(std::string("not a secret key file: ") + keyPath);
    }
    std::printf("%s\n%s\n", BundleSigning::publicKeyText(key->publicKey).c_str(),
                BundleSigning::teamIdentifier(key->publicKey).c_str());
    return 0;
}

// Three numbers of at most three digits joined by dots: what the updater can compare.
bool isReleaseVersion(std::string_view text)
{
    int parts = 0;
    while (true) {
        const std::size_t dot = text.find('.');
        const std::string_view part = text.substr(0, dot);
        if (part.empty() || part.size() > 3 ||
            !std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; })) {
            return false;
        }
        ++parts;
        if (dot == std::string_view::npos) {
            return parts == 3;
        }
        text.remove_prefix(dot + 1);
    }
}

int sign(std::string_view identifier, const std::string &keyPath, const std::string &bundle, const std::string &version)
{
    const auto key = readSecretKey(keyPath.c_str());
    if (!key) {
        return failed("not a secret key file: " + keyPath);
    }
    if (!isReleaseVersion(version)) {
        return failed("not a major.minor.patch version: " + version);
    }
    const std::string error = BundleSigning::sign(bundle, *key, {std::string(identifier), version});
    return error.empty() ? 0 : failed(error);
}

int pack(const char *bundle, const char *image)
{
    const std::string error = ReleaseImage::pack(bundle, image);
    return error.empty() ? 0 : failed(error);
}

int verify(const std::vector<std::string_view> &arguments)
{
    std::vector<BundleSigning::PublicKey> trusted;
    bool checkTrust = false;
    std::size_t i = 0;
    for (; i + 1 < arguments.size(); i += 2) {
        if (arguments[i] != "--trust") {
            return usage();
        }
        const auto key = BundleSigning::parsePublicKey(arguments[i + 1]);
        if (!key) {
            return failed("not a public key: " + std::string(arguments[i + 1]));
        }
        trusted.push_back(*key);
        checkTrust = true;
    }
    if (i + 1 != arguments.size()) {
        return usage();
    }
    const std::string bundle(arguments.back());
    std::string why;
    if (!BundleSigning::verifyStrict(bundle, &why)) {
        return failed(why);
    }
    const auto signer = BundleSigning::signerKey(bundle);
    if (checkTrust && (!signer || std::find(trusted.begin(), trusted.end(), *signer) == trusted.end())) {
        return failed("signed by a team that is not trusted");
    }
    return 0;
}

int team(const char *bundle)
{
    const auto key = BundleSigning::signerKey(bundle);
    if (!key) {
        return failed("not signed");
    }
    std::printf("%s\n", BundleSigning::teamIdentifier(*key).c_str());
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    if (arguments.empty()) {
        return usage();
    }
    const std::string_view command = arguments.front();
    const std::size_t count = arguments.size() - 1;
    if (command == "keygen" && count == 1) {
        return keygen(argv[2]);
    }
    if (command == "public-key" && count == 1) {
        return publicKey(argv[2]);
    }
    if (command == "sign" || command == "release") {
        // [--identifier ID] KEY BUNDLE VERSION, and IMAGE for a release.
        std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
        std::string_view identifier = defaultIdentifier;
        if (rest.size() >= 2 && rest[0] == "--identifier") {
            identifier = arguments[2];
            rest.erase(rest.begin(), rest.begin() + 2);
        }
        const std::size_t expected = command == "sign" ? 3 : 4;
        if (rest.size() != expected) {
            return usage();
        }
        const int signed_ = sign(identifier, rest[0], rest[1], rest[2]);
        if (signed_ != 0 || command == "sign") {
            return signed_;
        }
        return pack(rest[1].c_str(), rest[3].c_str());
    }
    if (command == "pack" && count == 2) {
        return pack(argv[2], argv[3]);
    }
    if (command == "verify" && count >= 1) {
        return verify({arguments.begin() + 1, arguments.end()});
    }
    if (command == "team" && count == 1) {
        return team(argv[2]);
    }
    return usage();
}
