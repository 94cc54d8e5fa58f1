#pragma once

#include "signals/CameraDevices.h"

#include <vector>

// Cameras the test sets up by hand; counts how often it was asked.
class FakeCameraDevices : public CameraDevices {
public:
    std::vector<CameraDevice> present;
    int askCount = 0;

    std::vector<CameraDevice> cameras() override
    {
        ++askCount;
        return present;
    }
};
