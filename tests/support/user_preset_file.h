// The text of a small user preset file as the plug-in writes it: the product's vendor, name and version, a preset
// with the given name that sets three saturation stages.
#pragma once

#include <string>

namespace testsupport {

inline std::string UserPresetText(const std::string& name)
{
  return "<PresetXMLTree version=\"1\"><PluginVendor>Vesquin</PluginVendor><PluginName>Drovik</PluginName>"
         "<PluginVersion>v1.0.1</PluginVersion><Preset name=\"" +
         name + "\"><Parameter><Param name=\"Saturation Stages\" val=\"3\"/></Parameter></Preset></PresetXMLTree>";
}

} // namespace testsupport
