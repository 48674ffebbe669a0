#include "ui/EditorLayout.h"

#include <algorithm>

#include "effect/DrovikParams.h"

namespace {

using K = EditorControlKind;
using Keep = EditorKeep;
using Style = EditorTextStyle;

EditorRect At(EditorPoint p) { return {p.x, p.y, 0, 0}; }

EditorControlEntry Bitmap(EditorPoint p, const char* bitmap, Keep keep = Keep::kNone, const char* tooltip = nullptr)
{
  EditorControlEntry c{K::kBitmap, At(p)};
  c.bitmap = bitmap, c.keep = keep, c.tooltip = tooltip;
  return c;
}

EditorControlEntry Knob(EditorPoint p, int param, const char* bitmap, Style style, const char* tooltip,
                       bool keepText, bool unitWheel = false)
{
  EditorControlEntry c{K::kKnob, At(p), param};
  c.bitmap = bitmap, c.style = style, c.tooltip = tooltip, c.toggle = unitWheel;
  c.keep = keepText ? Keep::kKnobText : Keep::kNone;
  return c;
}

EditorControlEntry Switch(EditorPoint p, int param, const char* bitmap, const char* tooltip)
{
  EditorControlEntry c{K::kSwitch, At(p), param};
  c.bitmap = bitmap, c.tooltip = tooltip;
  return c;
}

/// One meter group: twelve controls, the right group moved by dx.
void MeterGroup(std::vector<EditorControlEntry>& list, int meter, float dx)
{
  using namespace place;
  const EditorPoint o{kLeftMeter.x + dx, kLeftMeter.y};
  auto inGroup = [&](EditorRect r) { return EditorRect{o.x + r.l, o.y + r.t, o.x + r.r, o.y + r.b}; };
  auto text = [&](EditorRect r, const char* initial, Style style, Keep keep) {
    EditorControlEntry c{K::kText, inGroup(r)};
    c.text = initial, c.style = style, c.keep = keep, c.meter = meter;
    list.push_back(c);
  };
  auto kept = [&](EditorControlEntry c) {
    c.meter = c.keep == Keep::kNone ? -1 : meter;
    list.push_back(c);
  };
  kept(Bitmap(o, "VUbase.png", Keep::kMeterBase));
  kept(Bitmap(o, "VU_off.png", Keep::kMeterOff));
  text(kMeterLeftText, "-144.0", Style::kMeterValue, Keep::kMeterLeftText);
  text(kMeterRefText, "-18.0", Style::kMeterReference, Keep::kMeterRefText);
  EditorControlEntry mode{K::kTextPopup, inGroup(kMeterModeMenu), kMeterMode};
  mode.style = Style::kMeterMode;
  list.push_back(mode);
  text(kMeterRightText, "-144.0", Style::kMeterValue, Keep::kMeterRightText);
  kept(Bitmap({o.x + kMeterLamp.x, o.y + kMeterLamp.y}, "lamp_vu.png", Keep::kMeterLamp));
  kept(Bitmap(o, "VUneedle1.png", Keep::kMeterNeedle1));
  kept(Bitmap(o, "VUneedle.png", Keep::kMeterNeedle));
  kept(Bitmap(o, "VUglass.png"));
  EditorControlEntry reset{K::kClickHidden, At(o), -1, kActionResetMeters};
  reset.bitmap = "VUbase.png"; // the face's area
  list.push_back(reset);
  EditorControlEntry click{K::kTextPopup, inGroup(kMeterModeMenu), kMeterMode};
  click.style = Style::kMeterValue, click.drawsText = false;
  click.tooltip = "Meter Mode PEAK/RMS/EBU ML/EBU SL/VU";
  list.push_back(click);
}

std::vector<EditorControlEntry> Build()
{
  std::vector<EditorControlEntry> list;
  for (int param : {kGUIScale, kTooltips, kHideKnobText}) list.push_back({K::kParameterHidden, {}, param});
  list.push_back(Bitmap({0, 0}, "BG_default.png"));
  list.push_back(Bitmap({0, 0}, "BG_default.png"));

  EditorControlEntry preset{K::kPresetMenu, place::kPresetMenu};
  preset.tag = 3, preset.tooltip = "Preset Menu", preset.style = Style::kPreset;
  list.push_back(preset);
  EditorControlEntry click{K::kClickHidden, place::kHiddenClick, -1, kActionHiddenClick};
  click.tag = 0;
  list.push_back(click);
  EditorControlEntry announcement{K::kURLHidden, place::kAnnouncementLink};
  announcement.text = kAnnouncementAddress;
  list.push_back(announcement);
  EditorControlEntry home{K::kURLHidden, place::kMakerLink};
  home.text = kHomeAddress;
  list.push_back(home);
  EditorControlEntry info{K::kInfoMenu, At(place::kInfoMenu), -1, kActionAbout};
  info.bitmap = "pluginmenu.png", info.tag = 1, info.tooltip = "Plugin info and options";
  list.push_back(info);

  EditorControlEntry os{K::kRadioButtons2, At(place::kOversampling[0]), kOversampling};
  os.bitmap = "button_2xOS.png", os.secondBitmap = "button_2xOS1.png", os.toggle = true;
  os.buttons = place::kOversampling, os.buttonCount = 2, os.tooltip = "Oversampling off/2x/4x";
  list.push_back(os);
  list.push_back(Switch(place::kBypass, kBypass, "button_bypass.png", "Bypass off/on"));
  list.push_back(Switch(place::kMonitorInPlace, kMonitorMode1, "button_mon_stereomono.png", "Monitor inplace/center"));
  EditorControlEntry monitor{K::kRadioButtons5, At(place::kMonitorMode[0]), kMonitorMode0};
  monitor.buttons = place::kMonitorMode, monitor.buttonCount = 5;
  monitor.bitmap = "button_mon_mode.png", monitor.tooltip = "Monitor mode: stereo/left/right/mid/side";
  list.push_back(monitor);
  list.push_back(Switch(place::kClipOnOff, kClipoffon, "button_onoff.png", "Clip off/on"));
  list.push_back(Knob(place::kClipCeiling, kClipCeiling, "knob_small_white.png", Style::kKnob12, "Clip ceiling", true));
  list.push_back(Bitmap(place::kClipLed, "lamp_clip.png", Keep::kClipLed, "Clip LED"));
  list.push_back(Knob(place::kInputTrim, kInputTrim, "knob_small_red.png", Style::kKnob12, "Input trim", true));
  list.push_back(Knob(place::kOutputTrim, kOutputTrim, "knob_small_blue.png", Style::kKnob12, "Output trim", true));
  EditorControlEntry meterIO{K::kRadioButtons2, At(place::kMeterDisplay[0]), kMeterDisplayMode};
  meterIO.buttons = place::kMeterDisplay, meterIO.buttonCount = 2;
  meterIO.bitmap = "button_meter.png", meterIO.tooltip = "Meter display mode IN/OUT";
  list.push_back(meterIO);
  const std::pair<int, const char*> calibration[] = {{kVURef, "VU calibration"},
                                                     {kEBUSLRef, "EBU SL calibration"},
                                                     {kEBUMLRef, "EBU ML calibration"},
                                                     {kRMSRef, "RMS calibration"},
                                                     {kPEAKRef, "PEAK calibration"}};
  for (const auto& [param, tooltip] : calibration)
    list.push_back(Knob(place::kCalibration, param, "knob_mini_black.png", Style::kKnob12, tooltip, true, true));

  MeterGroup(list, 0, 0);
  MeterGroup(list, 1, place::kRightMeterShift);

  list.push_back(Switch(place::kSatOnOff, kSat_offon, "button_onoff.png", "Saturation off/on"));
  EditorControlEntry placement{K::kBitmapPopup, At(place::kSatPlacement), kSat_ProcMode};
  placement.bitmap = "drop_chmode.png", placement.toggle = true;
  placement.tooltip = "Saturation stereo placement: stereo/left/right/mid/side";
  list.push_back(placement);
  EditorControlEntry mode{K::kBitmapPopup, At(place::kSatMode), kSat_mode};
  mode.bitmap = "drop_sat_tube.png", mode.tooltip = "Saturation mode: clear/warm/crisp";
  list.push_back(mode);
  list.push_back(Knob(place::kSatStages, kSat_stages, "knob_sat_stage.png", Style::kKnob13, "Saturation stages 1 to 5", false));
  list.push_back(
    Knob(place::kSatFluctuation, kSat_fluctuation, "knob_med_black.png", Style::kKnob13, "Saturation fluctuation", false));
  list.push_back(
    Knob(place::kSatDriveOdd, kSat_driveodd, "knob_med_blue.png", Style::kKnob13, "Saturation drive odd harmonics", false));
  list.push_back(Knob(place::kSatDriveEven, kSat_driveeven, "knob_med_red.png", Style::kKnob13,
                      "Saturation drive even harmonics", false));
  return list;
}

} // namespace

const std::vector<EditorControlEntry>& EditorControls()
{
  static const std::vector<EditorControlEntry> list = Build();
  return list;
}

EditorRect EditorControlRect(const EditorControlEntry& c)
{
  const EditorBitmap* b = c.bitmap ? FindEditorBitmap(c.bitmap) : nullptr;
  const bool fromBitmap = b && (c.kind != EditorControlKind::kPresetMenu);
  if (!fromBitmap) return c.place;
  auto frameAt = [](EditorPoint p, const EditorBitmap& bitmap) {
    return EditorRect{p.x, p.y, p.x + bitmap.width, p.y + bitmap.height};
  };
  if (c.buttonCount == 0) return frameAt({c.place.l, c.place.t}, *b);
  EditorRect all = frameAt(c.buttons[0], *b);
  for (int i = 1; i < c.buttonCount; ++i)
  {
    const EditorBitmap* bi = i == 1 && c.secondBitmap ? FindEditorBitmap(c.secondBitmap) : b;
    EditorRect r = frameAt(c.buttons[i], bi ? *bi : *b);
    all = {std::min(all.l, r.l), std::min(all.t, r.t), std::max(all.r, r.r), std::max(all.b, r.b)};
  }
  return all;
}
