#pragma once

#include "app/AppResources.h"

#include <QString>
#include <QStringList>

#include <optional>

// The user's language for every text Kestrix shows, and Qt's own texts (standard buttons and
// dialogs) in the same language. English is the language of the sources: it needs no file, and a
// language that is not shipped falls back to it.
namespace Translations {

// The shipped language to use for the preferred languages in order ("de-AT", "fr", "en-US" as
// QLocale::uiLanguages() gives them): the first one that is English or shipped decides, by its
// language part; nothing means English.
std::optional<QString> chooseLanguage(const QStringList &preferred, const QStringList &shipped);

// The folder holding kestrix_<language>.qm: <bundle root>/share/kestrix/translations, else the
// resource folder's translations/ beside the built executable.
std::optional<QString> folder(const AppResources::Locations &locations);

// The languages that `folder` holds a translation for.
QStringList shippedLanguages(const QString &folder);

// Installs, on the running application and for its whole run, Kestrix's translator and Qt's own
// for the first of `preferred` that can be served; returns the language chosen, nothing for English.
std::optional<QString> install(const QStringList &preferred, const QString &folder);

} // namespace Translations
