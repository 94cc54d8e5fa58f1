#pragma once

#include "device/HidBus.h"
#include "platform/sim/SimulatedDorvel.h"
#include "util/Result.h"

#include <QCommandLineParser>
#include <QString>

#include <chrono>
#include <optional>

// The command line of kestrix-devsim.
struct DevsimOptions {
    QString busFolder;
    QString name = QStringLiteral("dorvel");
    std::optional<LocationID> location = 0x14200000;
    SimulatedDorvel::Config device;
    SimulatedDorvel::UpdateFaults updateFaults;
    std::chrono::milliseconds latency{0};
    QString stateFile;
    QString reportLog;
    bool quiet = false;
};

// Declares the options and the help text.
void setUpDevsimParser(QCommandLineParser &parser);

// Reads the options of a successful parse; the error names the option and what it expects.
Result<DevsimOptions, QString> readDevsimOptions(const QCommandLineParser &parser);
