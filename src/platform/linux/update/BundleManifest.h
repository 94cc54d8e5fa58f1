#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The signed description of a Kestrix bundle: the application's identifier and version, every file
// with its SHA-256 and executable bit, and every symbolic link with its target, by path relative to
// the bundle root. Together with the signature file it lives in the bundle's `_CodeSignature/`
// folder, which the manifest never lists. Identifier and version are signed with the files, so a
// signed bundle cannot be passed off as another application or another release.
//
// Text form, UTF-8, one item per line, the entry lines sorted by path (bytewise) and paths unique:
//   kestrix-bundle-manifest 2
//   identifier<TAB><text>
//   version<TAB><text>
//   file<TAB><64 lower-case hex digits><TAB><x or -><TAB><path>
//   link<TAB><path><TAB><target>
// The form is canonical: parse() accepts exactly what serialize() writes, so the signed bytes have
// one reading only.
struct BundleManifest {
    static constexpr std::string_view signatureFolder = "_CodeSignature";
    static constexpr std::string_view manifestName = "manifest";
    static constexpr std::string_view signatureName = "signature";

    struct Entry {
        enum class Kind { file, link };
        Kind kind = Kind::file;
        std::string path;
        std::array<std::uint8_t, 32> sha256{}; // files only
        bool executable = false;               // files only
        std::string linkTarget;                // links only

        friend bool operator==(const Entry &, const Entry &) = default;
    };

    // Neither may be empty or hold a control character (a tab included).
    std::string identifier;
    std::string version;
    std::vector<Entry> entries;

    // Nothing for text that is not exactly a serialized manifest.
    static std::optional<BundleManifest> parse(std::string_view text);
    std::string serialize() const;

    // Non-empty text without control characters: what an identifier or a version may be.
    static bool isValidLabel(std::string_view text);
    // A relative path with "/" separators: no empty, "." or ".." component, no control character,
    // and not inside the signature folder.
    static bool isValidPath(std::string_view path);
    // A relative link target that, read as text from the link's own folder, stays inside the
    // bundle. (Whether it stays inside once other links are followed is for the file system check.)
    static bool isContainedLinkTarget(std::string_view linkPath, std::string_view target);

    friend bool operator==(const BundleManifest &, const BundleManifest &) = default;
};

// The detached signature of a manifest: the signer's Ed25519 public key and the signature.
//   kestrix-bundle-signature 1
//   key<TAB><base64 of 32 bytes>
//   signature<TAB><base64 of 64 bytes>
struct BundleSignatureFile {
    std::array<std::uint8_t, 32> publicKey{};
    std::array<std::uint8_t, 64> signature{};

    static std::optional<BundleSignatureFile> parse(std::string_view text);
    std::string serialize() const;

    friend bool operator==(const BundleSignatureFile &, const BundleSignatureFile &) = default;
};
