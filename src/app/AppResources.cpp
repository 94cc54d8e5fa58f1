#include "app/AppResources.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace AppResources {

namespace {
constexpr int menuBarIconSize = 18;

bool imageLoads(const QString &path)
{
    return !QImage(path).isNull();
}

bool fileExists(const QString &path)
{
    return QFileInfo(path).isFile();
}
} // namespace

const Locations &runningLocations()
{
    static const Locations locations = [] {
        const QDir binDir(QCoreApplication::applicationDirPath());
        Locations l;
        l.bundleRoot = QDir::cleanPath(binDir.absoluteFilePath(QStringLiteral("..")));
        const QString beside = binDir.absoluteFilePath(QStringLiteral("resources"));
        if (QFileInfo(beside).isDir()) {
            l.resourceFolder = beside;
        }
        return l;
    }();
    return locations;
}

std::optional<QString> locate(const Locations &locations, const QString &fileName, bool (*found)(const QString &))
{
    const QString inBundle = QDir(locations.bundleRoot).filePath(QStringLiteral("share/kestrix/") + fileName);
    if (found(inBundle)) {
        return inBundle;
    }
    if (locations.resourceFolder) {
        const QString beside = QDir(*locations.resourceFolder).filePath(fileName);
        if (found(beside)) {
            return beside;
        }
    }
    return std::nullopt;
}

QImage menuBarImage(const Locations &locations)
{
    if (auto path = locate(locations, QStringLiteral("MenuBarIcon.png"), imageLoads)) {
        return QImage(*path).scaled(menuBarIconSize, menuBarIconSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    QImage empty(menuBarIconSize, menuBarIconSize, QImage::Format_ARGB32_Premultiplied);
    empty.fill(Qt::transparent);
    return empty;
}

const QIcon &menuBarIcon()
{
    static const QIcon icon = [] {
        QIcon i;
        const auto &locations = runningLocations();
        // A sharper 36-pixel drawing for high-density panels, when shipped.
        if (auto big = locate(locations, QStringLiteral("MenuBarIcon@2x.png"), imageLoads)) {
            i.addFile(*big, QSize(2 * menuBarIconSize, 2 * menuBarIconSize));
        }
        i.addPixmap(QPixmap::fromImage(menuBarImage(locations)));
        i.setIsMask(true);
        return i;
    }();
    return icon;
}

std::optional<QImage> appIconDisplayImage(const Locations &locations)
{
    if (auto path = locate(locations, QStringLiteral("AppIconDisplay.png"), imageLoads)) {
        return QImage(*path);
    }
    return std::nullopt;
}

const QIcon &appIcon()
{
    static const QIcon icon = [] {
        QIcon shipped;
        if (const auto &image = appIconDisplay()) {
            shipped.addPixmap(QPixmap::fromImage(*image));
        }
        return QIcon::fromTheme(QStringLiteral("io.tamsel.desktop"), shipped);
    }();
    return icon;
}

const std::optional<QImage> &appIconDisplay()
{
    static const std::optional<QImage> image = appIconDisplayImage(runningLocations());
    return image;
}

std::optional<QUrl> advancedSetupPDF(const Locations &locations)
{
    if (auto path = locate(locations, QStringLiteral("Advanced Setup (Terminal + AI Hooks).pdf"), fileExists)) {
        return QUrl::fromLocalFile(*path);
    }
    return std::nullopt;
}

const std::optional<QUrl> &advancedSetupPDFURL()
{
    static const std::optional<QUrl> url = advancedSetupPDF(runningLocations());
    return url;
}

QList<FoundResource> foundResources(const Locations &locations)
{
    return {
        {QStringLiteral("menu bar icon"), locate(locations, QStringLiteral("MenuBarIcon.png"), imageLoads)},
        {QStringLiteral("display icon"), locate(locations, QStringLiteral("AppIconDisplay.png"), imageLoads)},
        {QStringLiteral("setup guide"),
         locate(locations, QStringLiteral("Advanced Setup (Terminal + AI Hooks).pdf"), fileExists)},
    };
}

} // namespace AppResources
