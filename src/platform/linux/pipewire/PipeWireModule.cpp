// The PipeWire module's entry points; see BackendModule.h.
#include "platform/linux/BackendModule.h"
#include "platform/linux/pipewire/PipeWireGraphConnection.h"

#include <QtGlobal>

extern "C" Q_DECL_EXPORT const char *kestrix_module_abi()
{
    return BackendModule::kAbi;
}

extern "C" Q_DECL_EXPORT PipeWireGraph *kestrix_pipewire_graph_new()
{
    return new PipeWireGraphConnection;
}
