#include "BuildPaths.h"

namespace kestrix::buildpaths {

QString app()
{
    return QStringLiteral(KESTRIX_APP_PATH);
}
QString devsim()
{
    return QStringLiteral(KESTRIX_DEVSIM_PATH);
}
QString signalTool()
{
    return QStringLiteral(KESTRIX_SIGNAL_PATH);
}
QString signTool()
{
    return QStringLiteral(KESTRIX_SIGN_PATH);
}
QString bareTray()
{
    return QStringLiteral(KESTRIX_BARE_TRAY_PATH);
}
QString moduleDir()
{
    return QStringLiteral(KESTRIX_MODULE_BUILD_DIR);
}
QString buildDir()
{
    return QStringLiteral(KESTRIX_BUILD_DIR);
}
QString sourceDir()
{
    return QStringLiteral(KESTRIX_SOURCE_DIR);
}
QString desktopEntryFile()
{
    return QStringLiteral(KESTRIX_DESKTOP_ENTRY_FILE);
}
QString translationsDir()
{
    return QStringLiteral(KESTRIX_QM_DIR);
}
QString screenshotDir()
{
    return QStringLiteral(KESTRIX_SCREENSHOT_DIR);
}
QString cmake()
{
    return QStringLiteral(KESTRIX_CMAKE_COMMAND);
}
QString lupdate()
{
    return QStringLiteral(KESTRIX_LUPDATE);
}

} // namespace kestrix::buildpaths
