// drovik-editor-picture: draws Drovik's editor without a display into a PNG file, after processing a sound file
// (or the demo's test signal) so that the meters show it.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "headless_editor.h"
#include "host/audio_file.h"
#include "host/output_file.h"

namespace {

constexpr const char* kUsage =
  "usage: drovik-editor-picture OUT.png [--input IN.wav | --no-audio] [--scale 1|2] [--gui-scale S]\n"
  "                              [--preset NAME] [--param INDEX=NORMALISED ...]\n"
  "Draws the editor of the built bundle after processing IN.wav (default: the demo's test signal, 2 s at 48 kHz);\n"
  "with --no-audio, as it opens. --preset loads a factory preset as the preset menu does (its name shown), before\n"
  "the --param values are set. --gui-scale sets the GUI Scale (0.5 to 3) the editor opens at; --scale is the\n"
  "screen's.\n";

int Fail(const std::string& message)
{
  std::fprintf(stderr, "drovik-editor-picture: %s\n", message.c_str());
  return 1;
}

} // namespace

int main(int argc, char** argv)
{
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty() || args[0] == "--help")
  {
    std::fputs(kUsage, args.empty() ? stderr : stdout);
    return args.empty() ? 1 : 0;
  }
  const std::string out = args[0];
  std::string input;
  bool audioOn = true;
  double scale = 1.0, guiScale = 1.0;
  std::vector<std::pair<int, float>> params;
  std::string preset;
  for (size_t i = 1; i < args.size(); ++i)
  {
    const bool hasValue = i + 1 < args.size();
    if (args[i] == "--input" && hasValue)
      input = args[++i];
    else if (args[i] == "--no-audio")
      audioOn = false;
    else if (args[i] == "--scale" && hasValue)
    {
      scale = std::atof(args[++i].c_str());
      if (scale != 1.0 && scale != 2.0) return Fail("--scale takes 1 or 2");
    }
    else if (args[i] == "--gui-scale" && hasValue)
    {
      guiScale = std::atof(args[++i].c_str());
      if (!(guiScale >= 0.5 && guiScale <= 3.0)) return Fail("--gui-scale takes 0.5 to 3");
    }
    else if (args[i] == "--preset" && hasValue)
      preset = args[++i];
    else if (args[i] == "--param" && hasValue)
    {
      int idx = -1;
      float value = 0;
      if (std::sscanf(args[++i].c_str(), "%d=%f", &idx, &value) != 2) return Fail("--param takes INDEX=NORMALISED");
      params.emplace_back(idx, value);
    }
    else
      return Fail("unknown option " + args[i] + "\n" + kUsage);
  }

  if (const std::string refusal = host::OutputRefusal(out, {{"the input file", input}}); !refusal.empty()) return Fail(refusal);
  host::Audio audio;
  std::string error;
  if (input.empty())
    audio = host::MakeTestSignal(48000, 2, 2);
  else if (!host::ReadAudio(input, audio, error))
    return Fail(error);
  if (audio.channels.empty()) return Fail("no audio in " + input);
  std::vector<float> left(audio.Frames()), right(audio.Frames());
  for (size_t i = 0; i < audio.Frames(); ++i)
  {
    left[i] = static_cast<float>(audio.channels.front()[i]);
    right[i] = static_cast<float>(audio.channels.back()[i]);
  }

  HeadlessEditor editor(DROVIK_BUNDLE_DIR, scale);
  editor.SetGUIScale(guiScale);
  if (!editor.Open()) return Fail("the editor did not open");
  if (!preset.empty() && !editor.LoadFactoryPreset(preset))
  {
    std::string names;
    for (const std::string& name : editor.FactoryPresetNames()) names += (names.empty() ? "\"" : ", \"") + name + "\"";
    return Fail("--preset: no factory preset is named \"" + preset + "\" (the factory presets: " + names + ")");
  }
  for (const auto& [idx, value] : params) editor.SetParameter(idx, value);
  if (audioOn) editor.Process(left, right, audio.sampleRate);
  if (!editor.Settle()) return Fail("the editor kept drawing");
  const HeadlessEditor::Frame& frame = editor.LastFrame();
  const std::vector<uint8_t> rgba = RgbaPixels(frame);
  if (rgba.empty()) return Fail("the editor drew no picture");
  if (!host::WritePngFile(out, frame.width, frame.height, rgba, error)) return Fail(error);
  std::printf("editor picture: %s (%dx%d)\n", out.c_str(), editor.LastFrame().width, editor.LastFrame().height);
  return 0;
}
