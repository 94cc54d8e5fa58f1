#pragma once

#include "update/PackageDatabase.h"

#include <chrono>

// Asks dpkg and rpm, by their absolute paths, which package owns a file. A tool that is not
// installed, fails or takes longer than the time-out counts as "no package".
class SystemPackageDatabase final : public PackageDatabase {
public:
    explicit SystemPackageDatabase(std::chrono::milliseconds toolTimeout = std::chrono::seconds(5));

    std::optional<QString> owningPackage(const QString &filePath) override;

    // The package named by `dpkg-query -S` output for exactly this path ("pkg[:arch][, ...]: path"
    // lines; diversion lines and other paths are skipped).
    static std::optional<QString> packageFromDpkgOutput(const QString &output, const QString &filePath);

private:
    std::chrono::milliseconds m_toolTimeout;
};
