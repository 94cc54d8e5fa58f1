#pragma once

#include "platform/linux/update/BundleSigning.h"
#include "update/BundleTools.h"

#include <string_view>
#include <vector>

// Bundle tools on Linux: release images are tar archives extracted with libarchive's secure
// options, signatures are Ed25519 signatures of a manifest of SHA-256 digests (libsodium). The
// assessment accepts the signers whose public keys it was given, nobody else.
class SodiumArchiveBundleTools final : public BundleTools {
public:
    explicit SodiumArchiveBundleTools(std::vector<BundleSigning::PublicKey> trustedKeys);

    // The keys this build trusts: parseTrustedKeys of the KESTRIX_TRUSTED_TEAM_KEYS list given to
    // CMake, which refuses to configure a list with an entry that is no key.
    static std::vector<BundleSigning::PublicKey> buildTrustedKeys();
    // Base64 public keys separated by ";", spaces around each allowed; empty entries and entries
    // that do not read as a key are left out.
    static std::vector<BundleSigning::PublicKey> parseTrustedKeys(std::string_view list);

    bool attachImage(const QString &imagePath, const QString &mountPoint) override;
    bool detachImage(const QString &mountPoint) override;
    bool verifyStrict(const QString &bundlePath) override;
    bool assess(const QString &bundlePath) override;
    std::optional<QString> teamIdentifier(const QString &bundlePath) override;
    std::optional<SignedRelease> signedRelease(const QString &bundlePath) override;

private:
    const std::vector<BundleSigning::PublicKey> m_trustedKeys;
};
