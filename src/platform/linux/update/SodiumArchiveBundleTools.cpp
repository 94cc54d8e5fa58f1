#include "platform/linux/update/SodiumArchiveBundleTools.h"

#include "platform/linux/update/ReleaseImage.h"
#include "platform/linux/update/TrustedTeamKeys.h"

#include <QFile>

#include <algorithm>

namespace {
std::filesystem::path fsPath(const QString &path)
{
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}
} // namespace

SodiumArchiveBundleTools::SodiumArchiveBundleTools(std::vector<BundleSigning::PublicKey> trustedKeys)
    : m_trustedKeys(std::move(trustedKeys))
{}

std::vector<BundleSigning::PublicKey> SodiumArchiveBundleTools::buildTrustedKeys()
{
    return parseTrustedKeys(TrustedTeamKeys::list);
}

std::vector<BundleSigning::PublicKey> SodiumArchiveBundleTools::parseTrustedKeys(std::string_view list)
{
    std::vector<BundleSigning::PublicKey> keys;
    while (!list.empty()) {
        const std::size_t end = list.find(';');
        if (const auto key = BundleSigning::parsePublicKey(list.substr(0, end))) {
            keys.push_back(*key);
        }
        list.remove_prefix(end == std::string_view::npos ? list.size() : end + 1);
    }
    return keys;
}

bool SodiumArchiveBundleTools::attachImage(const QString &imagePath, const QString &mountPoint)
{
    return ReleaseImage::attach(fsPath(imagePath), fsPath(mountPoint));
}

bool SodiumArchiveBundleTools::detachImage(const QString &mountPoint)
{
    return ReleaseImage::detach(fsPath(mountPoint));
}

bool SodiumArchiveBundleTools::verifyStrict(const QString &bundlePath)
{
    return BundleSigning::verifyStrict(fsPath(bundlePath));
}

bool SodiumArchiveBundleTools::assess(const QString &bundlePath)
{
    const auto key = BundleSigning::signerKey(fsPath(bundlePath));
    if (!key || std::find(m_trustedKeys.begin(), m_trustedKeys.end(), *key) == m_trustedKeys.end()) {
        return false;
    }
    // The key read above is only trusted once the signature it names is checked.
    return BundleSigning::verifyStrict(fsPath(bundlePath)) && BundleSigning::signerKey(fsPath(bundlePath)) == key;
}

std::optional<QString> SodiumArchiveBundleTools::teamIdentifier(const QString &bundlePath)
{
    const auto key = BundleSigning::signerKey(fsPath(bundlePath));
    if (!key) {
        return std::nullopt;
    }
    return QString::fromStdString(BundleSigning::teamIdentifier(*key));
}

std::optional<BundleTools::SignedRelease> SodiumArchiveBundleTools::signedRelease(const QString &bundlePath)
{
    const auto release = BundleSigning::signedRelease(fsPath(bundlePath));
    if (!release) {
        return std::nullopt;
    }
    return SignedRelease{QString::fromStdString(release->identifier), QString::fromStdString(release->version)};
}
