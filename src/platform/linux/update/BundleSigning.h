#pragma once

#include "platform/linux/update/BundleManifest.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// Ed25519 signing and checking of Kestrix bundles (libsodium). Every function is safe to call
// from any thread and touches nothing but the paths it is given; none follows a symbolic link
// inside a bundle.
namespace BundleSigning {

using PublicKey = std::array<std::uint8_t, 32>;
using SecretKey = std::array<std::uint8_t, 64>; // libsodium's form: seed, then public key

struct KeyPair {
    PublicKey publicKey{};
    SecretKey secretKey{};
};

KeyPair generateKeyPair();

// The team identifier of a signing key: the first eight bytes of the SHA-256 of the public key,
// as 16 upper-case hexadecimal digits.
std::string teamIdentifier(const PublicKey &publicKey);

// Key files. A secret key file is "kestrix-secret-key 1", then the base64 of the secret key, each
// on its own line. A public key is its base64 alone, the form the build's trusted key list uses;
// surrounding white space is ignored when reading either.
std::string secretKeyFileText(const KeyPair &key);
std::optional<KeyPair> parseSecretKeyFile(std::string_view text);
std::string publicKeyText(const PublicKey &publicKey);
std::optional<PublicKey> parsePublicKey(std::string_view text);

// The manifest of the bundle as it is on disk now, or why none can describe it: a file that is
// neither a regular file, a folder nor a link; a name the manifest cannot carry; a link that
// leaves the bundle; an unreadable file. The signature folder is left out.
struct Description {
    std::optional<BundleManifest> manifest;
    std::string error;
};
Description describe(const std::filesystem::path &bundle);

// What a signature says the bundle is, besides its files.
struct Release {
    std::string identifier; // the application's identifier, "io.tamsel.desktop" for Kestrix
    std::string version;    // "major.minor.patch"

    friend bool operator==(const Release &, const Release &) = default;
};

// Writes the signature folder of the bundle: its manifest (with the release's identifier and
// version) and the signature of it made with the key (an earlier signature folder is replaced).
// Empty on success, else why it failed.
std::string sign(const std::filesystem::path &bundle, const KeyPair &key, const Release &release);

// The strict check: the signature folder holds exactly a manifest and a signature, the signature
// of the manifest is valid for the key it names, and the bundle holds exactly what the manifest
// lists (same contents, executable bits and link targets; no other file, link or folder).
bool verifyStrict(const std::filesystem::path &bundle, std::string *why = nullptr);

// The key named by the bundle's signature file, without checking anything else.
std::optional<PublicKey> signerKey(const std::filesystem::path &bundle);

// The identifier and version in the bundle's manifest, without checking the signature (callers
// read it after verifyStrict()).
std::optional<Release> signedRelease(const std::filesystem::path &bundle);

} // namespace BundleSigning
