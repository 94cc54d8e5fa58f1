#pragma once

#include <QString>

#include <vector>

// One camera of the machine.
struct CameraDevice {
    QString id;         // stable while the camera is plugged in, for diagnostics
    bool inUse = false; // some other program holds it open

    friend bool operator==(const CameraDevice &, const CameraDevice &) = default;
};

// The cameras of the machine. Asked periodically on the main thread, so an answer with nothing
// changed since the last one must cost next to nothing.
class CameraDevices {
public:
    virtual ~CameraDevices() = default;

    // The cameras present now, each with whether it is in use. Empty when there is none.
    virtual std::vector<CameraDevice> cameras() = 0;
};
