#pragma once

#include <QString>
#include <QStringList>

// Optional backends (the calendar server's, PipeWire's) are modules of their own, loaded at run
// time, so that their client libraries are neither a dependency of the package nor mapped into a
// process that never meets their service.
//
// A module exports `kestrix_module_abi` (a C function returning the text of kBackendModuleAbi as it
// was built) and its factory functions. A module is loaded at most once per process and never
// unloaded: the libraries it brings register types that cannot be unregistered.
namespace BackendModule {

// Changes whenever the types passed across the module boundary change.
inline constexpr const char *kAbi = "kestrix-backend-module-2 " QT_VERSION_STR;

// The folders searched for modules, in order: the package's private library folder beside the
// running executable, and the one the build installs into.
QStringList defaultFolders();

// The exported function `symbol` of the module `name` ("kestrix-calendar-server") from the first of
// `folders` that holds it, or null when no folder holds it, it does not load, it was built for
// another version, or it lacks the symbol. None of these is an error to the user: each says one
// line under --verbose. Main thread only.
void *resolve(const QString &name, const char *symbol, const QStringList &folders);

} // namespace BackendModule

// The entry point that tells a module's build, as declared by every module.
using KestrixModuleAbiFunction = const char *();
