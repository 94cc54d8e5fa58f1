#include "platform/linux/BackendModule.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QLibrary>
#include <QLoggingCategory>

#include <cstring>
#include <memory>

#ifndef KESTRIX_MODULE_DIR_FROM_BIN
#define KESTRIX_MODULE_DIR_FROM_BIN "../lib/kestrix"
#endif

namespace {
// Off unless enabled through --verbose or QT_LOGGING_RULES: the application keeps no log.
Q_LOGGING_CATEGORY(lcModules, "kestrix.platform.modules", QtCriticalMsg)

// Modules loaded so far by path, with null for those that failed (tried once). Kept to the end of
// the process without being released, as the modules are.
QHash<QString, QLibrary *> &loaded()
{
    static auto *modules = new QHash<QString, QLibrary *>;
    return *modules;
}

QLibrary *load(const QString &path)
{
    auto found = loaded().constFind(path);
    if (found != loaded().constEnd()) {
        return *found;
    }
    auto library = std::make_unique<QLibrary>(path);
    library->setLoadHints(QLibrary::PreventUnloadHint);
    if (!library->load()) {
        qCInfo(lcModules).noquote() << "module" << path << "does not load:" << library->errorString();
        library.reset();
    } else if (auto *abi = reinterpret_cast<KestrixModuleAbiFunction *>(library->resolve("kestrix_module_abi"));
               !abi || std::strcmp(abi(), BackendModule::kAbi) != 0) {
        qCInfo(lcModules).noquote() << "module" << path << "is of another build; not used";
        library.reset();
    } else {
        qCInfo(lcModules).noquote() << "loaded module" << path;
    }
    loaded().insert(path, library.get());
    return library.release();
}
} // namespace

namespace BackendModule {

QStringList defaultFolders()
{
    QStringList folders;
    if (QCoreApplication::instance()) {
        folders.append(QDir::cleanPath(QCoreApplication::applicationDirPath() + QLatin1Char('/') +
                                       QStringLiteral(KESTRIX_MODULE_DIR_FROM_BIN)));
    }
#ifdef KESTRIX_MODULE_DIR
    const QString installed = QDir::cleanPath(QStringLiteral(KESTRIX_MODULE_DIR));
    if (!folders.contains(installed)) {
        folders.append(installed);
    }
#endif
    return folders;
}

void *resolve(const QString &name, const char *symbol, const QStringList &folders)
{
    for (const QString &folder : folders) {
        const QString path = QDir(folder).filePath(name + QStringLiteral(".so"));
        if (!QFileInfo::exists(path)) {
            continue;
        }
        QLibrary *library = load(path);
        if (!library) {
            return nullptr;
        }
        void *function = reinterpret_cast<void *>(library->resolve(symbol));
        if (!function) {
            qCInfo(lcModules).noquote() << "module" << path << "lacks" << symbol;
        }
        return function;
    }
    qCInfo(lcModules).noquote() << "no module" << name << "in" << folders.join(QStringLiteral(", "))
                                << "(optional; its backend is not used)";
    return nullptr;
}

} // namespace BackendModule
