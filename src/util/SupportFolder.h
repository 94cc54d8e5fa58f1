#pragma once

#include <QString>

// The application's support folder, $XDG_DATA_HOME/Kestrix (~/.local/share/Kestrix by default).
namespace SupportFolder {

QString path();

// Creates the folder (and missing parents) if needed; the folder itself is created with mode 0700
// in one step, so it is never open to other users. False when it cannot be created.
bool ensure();

} // namespace SupportFolder
