// The framework timer and the queues between the host's threads and the editor. Not in place yet: no timer
// runs, nothing is queued, and the audio thread finds nothing waiting.
#include "core/IPluginAPIBase.h"

namespace plug {

void IPluginAPIBase::SendParamValueFromHost(int idx, double value, bool normalized)
{
  // The editor learns of host-set values through the parameter queue, drained by the framework timer.
}

void IPluginAPIBase::CreateTimer() {}
void IPluginAPIBase::PushMidiToEditor(const IMidiMsg& msg) {}
bool IPluginAPIBase::PopMidiFromEditor(IMidiMsg& msg) { return false; }
bool IPluginAPIBase::PopSysExFromEditor(ISysExMsg& msg) { return false; }

} // namespace plug
