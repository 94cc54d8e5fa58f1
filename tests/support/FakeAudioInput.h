#pragma once

#include "signals/AudioInput.h"

#include <QString>

#include <map>
#include <optional>
#include <utility>
#include <vector>

// An audio input whose devices the test sets up and changes by hand. Changes are signalled only
// when the test says so, as a server's reports would arrive.
class FakeAudioInput : public AudioInput {
public:
    struct Device {
        std::optional<bool> muted; // absent: the device has no mute control
        bool running = false;
    };

    std::map<QString, Device> devices;
    QString defaultDevice;
    bool readsFail = false; // every read fails, as while the server is away
    int startCount = 0;
    std::vector<std::pair<QString, bool>> muteRequests;

    void start() override { ++startCount; }
    QString defaultInputDevice() const override { return readsFail ? QString() : defaultDevice; }
    std::optional<bool> isMuted(const QString &device) const override
    {
        const auto it = devices.find(device);
        return readsFail || it == devices.end() ? std::nullopt : it->second.muted;
    }
    std::optional<bool> isRunning(const QString &device) const override
    {
        const auto it = devices.find(device);
        return readsFail || it == devices.end() ? std::nullopt : std::optional<bool>(it->second.running);
    }
    void setMuted(const QString &device, bool muted) override { muteRequests.emplace_back(device, muted); }

    void switchDefault(const QString &device)
    {
        defaultDevice = device;
        Q_EMIT defaultInputDeviceChanged();
    }
    void setDeviceMuted(const QString &device, std::optional<bool> muted)
    {
        devices[device].muted = muted;
        Q_EMIT muteChanged(device);
    }
    void setDeviceRunning(const QString &device, bool running)
    {
        devices[device].running = running;
        Q_EMIT runningChanged(device);
    }
};
