#pragma once

#include <QIcon>
#include <QImage>
#include <QList>
#include <QString>
#include <QUrl>

#include <optional>

// Images and documents shipped with the application, each looked up in two places: first the
// bundle layout (<bundle root>/share/kestrix/, where bin/kestrix is <bundle root>/bin/kestrix,
// for an installed prefix and for a relocatable Kestrix.app folder alike), then the resource
// folder beside the executable (the build tree). Lookups are computed once and cached.
namespace AppResources {

struct Locations {
    QString bundleRoot;                    // the folder holding bin/
    std::optional<QString> resourceFolder; // skipped when absent
};

// The running executable's locations.
const Locations &runningLocations();

// The first candidate path of `fileName` that `found` accepts, in lookup order.
std::optional<QString> locate(const Locations &locations, const QString &fileName, bool (*found)(const QString &));

// The tray icon: 18x18, drawn as a template (a mask the platform may tint); an empty 18x18 image
// when no file is found.
const QIcon &menuBarIcon();
QImage menuBarImage(const Locations &locations);

// The application's icon for its windows: the desktop icon theme's "io.tamsel.desktop" (installed
// with the package at every size), else the shipped display icon; null when neither is found.
const QIcon &appIcon();

// The icon shown in the terms window, if present.
const std::optional<QImage> &appIconDisplay();
std::optional<QImage> appIconDisplayImage(const Locations &locations);

// The advanced setup guide, if present.
const std::optional<QUrl> &advancedSetupPDFURL();
std::optional<QUrl> advancedSetupPDF(const Locations &locations);

// Each shipped file by its role ("menu bar icon", "display icon", "setup guide") and where the
// lookups above find it; nothing for a file that is not found. For diagnostics.
struct FoundResource {
    QString role;
    std::optional<QString> path;
};
QList<FoundResource> foundResources(const Locations &locations);

} // namespace AppResources
