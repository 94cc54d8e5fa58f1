#pragma once

#include <QString>

#include <optional>

// Release images and the signatures of application bundles: the counterparts of mounting a disk
// image and of checking a code signature. Every operation may take a while (reading, hashing,
// extracting) and is safe to call from any thread, so callers on the main thread run it on a
// worker; none keeps state between calls.
class BundleTools {
public:
    virtual ~BundleTools() = default;

    // Makes the image's contents appear, read-only, in the existing empty folder `mountPoint`.
    // False when the image cannot be opened or holds anything unsafe; then the folder stays empty.
    virtual bool attachImage(const QString &imagePath, const QString &mountPoint) = 0;
    // Undoes attachImage(): afterwards nothing is left at `mountPoint`.
    virtual bool detachImage(const QString &mountPoint) = 0;

    // The bundle is signed and holds exactly what its signature covers.
    virtual bool verifyStrict(const QString &bundlePath) = 0;
    // The bundle passes verifyStrict() and its signer is a team this build trusts.
    virtual bool assess(const QString &bundlePath) = 0;
    // The signing team named by the bundle's signature, without checking the signature.
    virtual std::optional<QString> teamIdentifier(const QString &bundlePath) = 0;

    // The application identifier and version that the bundle's signature covers, read without
    // checking the signature (callers ask after verifyStrict()).
    struct SignedRelease {
        QString identifier;
        QString version;

        friend bool operator==(const SignedRelease &, const SignedRelease &) = default;
    };
    virtual std::optional<SignedRelease> signedRelease(const QString &bundlePath) = 0;
};
