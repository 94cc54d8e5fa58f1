#include "app/Translations.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QTranslator>

namespace Translations {

namespace {
const QString filePrefix = QStringLiteral("kestrix_");
const QString fileSuffix = QStringLiteral(".qm");

// "de-AT", "de_AT" and "de" all name German.
QString languagePart(const QString &name)
{
    return name.section(QLatin1Char('-'), 0, 0).section(QLatin1Char('_'), 0, 0).toLower();
}
} // namespace

std::optional<QString> chooseLanguage(const QStringList &preferred, const QStringList &shipped)
{
    for (const QString &name : preferred) {
        const QString language = languagePart(name);
        // English is served by the sources themselves: a later preference must not win over it.
        if (language == QLatin1String("en") || language == QLatin1String("c")) {
            return std::nullopt;
        }
        if (shipped.contains(language)) {
            return language;
        }
    }
    return std::nullopt;
}

std::optional<QString> folder(const AppResources::Locations &locations)
{
    QStringList candidates{QDir(locations.bundleRoot).filePath(QStringLiteral("share/kestrix/translations"))};
    if (locations.resourceFolder) {
        candidates.append(QDir(*locations.resourceFolder).filePath(QStringLiteral("translations")));
    }
    for (const QString &candidate : candidates) {
        if (QFileInfo(candidate).isDir()) {
            return candidate;
        }
    }
    return std::nullopt;
}

QStringList shippedLanguages(const QString &folder)
{
    QStringList languages;
    const QStringList files = QDir(folder).entryList({filePrefix + QStringLiteral("*") + fileSuffix}, QDir::Files);
    for (const QString &file : files) {
        languages.append(file.mid(filePrefix.size(), file.size() - filePrefix.size() - fileSuffix.size()));
    }
    return languages;
}

std::optional<QString> install(const QStringList &preferred, const QString &folder)
{
    std::optional<QString> language = chooseLanguage(preferred, shippedLanguages(folder));
    if (!language) {
        return std::nullopt;
    }
    // Owned by the application, so they live as long as it does.
    auto *own = new QTranslator(QCoreApplication::instance());
    if (!own->load(filePrefix + *language, folder)) {
        delete own;
        return std::nullopt;
    }
    QCoreApplication::installTranslator(own);
    // Missing only when the system's Qt translations are not installed: Qt's texts stay English.
    auto *qt = new QTranslator(QCoreApplication::instance());
    if (qt->load(QStringLiteral("qtbase_") + *language, QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(qt);
    } else {
        delete qt;
    }
    return language;
}

} // namespace Translations
