#pragma once

#include <QString>

// Where this build's programs and the checkout's files are, for the tests and benchmarks that start
// them or read them. The paths are compiled into one small library rather than into the programs
// that use them, so those programs do not depend on where the checkout and its build folder are,
// and a clone in another folder gets their compilations from the compiler cache.
namespace kestrix::buildpaths {

QString app();              // kestrix
QString devsim();           // kestrix-devsim
QString signalTool();       // kestrix-signal
QString signTool();         // kestrix-sign
QString bareTray();         // the bare Qt tray application the memory benchmark compares with
QString moduleDir();        // the folder of the optional backends' modules in the build
QString buildDir();         // the top of the build folder
QString sourceDir();        // the top of the checkout
QString desktopEntryFile(); // the desktop entry in the checkout
QString translationsDir();  // the compiled translations in the build
QString screenshotDir();    // where kestrix-screenshots writes
QString cmake();            // the cmake that configured this build
QString lupdate();          // Qt's lupdate

} // namespace kestrix::buildpaths
