#include "app/Backends.h"

#include "platform/linux/HidrawBus.h"
#include "platform/linux/UnixTriggerListener.h"
#include "platform/sim/SocketHidBus.h"

#include <QFileInfo>

namespace Backends {

std::unique_ptr<HidBus> makeHidBus()
{
    const QString busFolder = qEnvironmentVariable("KESTRIX_DEVICE_BUS");
    if (!busFolder.isEmpty()) {
        return std::make_unique<SocketHidBus>(busFolder);
    }
    return std::make_unique<HidrawBus>();
}

std::unique_ptr<TriggerListener> makeTriggerListener()
{
    return std::make_unique<UnixTriggerListener>();
}

} // namespace Backends
