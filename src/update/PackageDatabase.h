#pragma once

#include <QString>

#include <optional>

// The system's package managers, asked which package installed a file. May block for a moment
// (it runs the package tools); safe to call from any thread.
class PackageDatabase {
public:
    virtual ~PackageDatabase() = default;

    // The name of the installed package that owns the file, or nothing when none does (or no
    // package manager answers).
    virtual std::optional<QString> owningPackage(const QString &filePath) = 0;
};
