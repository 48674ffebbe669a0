// The text of a small user preset file as the plug-in writes it: the product's vendor, name and version, a preset
// with the given name that sets three saturation stages. And texts of the same form whose one parameter element
// carries very many attributes, as a shared preset file or a saved project may hold.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace testsupport {

inline std::string UserPresetText(const std::string& name)
{
  return "<PresetXMLTree version=\"1\"><PluginVendor>Vesquin</PluginVendor><PluginName>Drovik</PluginName>"
         "<PluginVersion>v1.0.1</PluginVersion><Preset name=\"" +
         name + "\"><Parameter><Param name=\"Saturation Stages\" val=\"3\"/></Parameter></Preset></PresetXMLTree>";
}

/// Texts within the plug-in's 1 MiB bound, each with what it holds, whose preset is named "Flood": 110,000
/// distinct attributes on its parameter element (990 KB, a valid preset otherwise), and 149,000 three-letter ones
/// whose names repeat (1,043 KB). Read attribute by attribute they take the XML library half a minute and more.
inline std::vector<std::pair<std::string, std::string>> UserPresetTextsWithVeryManyAttributes()
{
  auto withAttributes = [](int count, const std::string& value) {
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    std::string attributes;
    for (int i = 0, made = 0; made < count; ++i)
    {
      const std::string name = {kLetters[i / (52 * 52) % 52], kLetters[i / 52 % 52], kLetters[i % 52]};
      if (name == "val")
        continue;
      attributes += " " + name + "=\"" + value + "\"";
      ++made;
    }
    std::string text = UserPresetText("Flood");
    const std::string before = "val=\"3\"";
    return text.insert(text.find(before) + before.size(), attributes);
  };
  return {{"110,000 distinct attributes", withAttributes(110000, "01")},
          {"149,000 three-letter attributes", withAttributes(149000, "")}};
}

} // namespace testsupport
