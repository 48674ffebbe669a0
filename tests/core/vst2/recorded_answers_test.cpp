// What a host sees of a plug-in with parameters of every kind, recorded as text and compared whole with the files
// in golden/ (DROVIK_UPDATE_GOLDEN=1 rewrites them): names, labels, display texts and values across the normalised
// range and for typed texts, the dispatcher's answers with ordinary and edge arguments, the bytes of chunks and of
// program and bank files, and the latency delay line's output across lengths.
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/LatencyDelayLine.h"
#include "core/LibHeapBuf.h"
#include "core/LibPtrList.h"
#include "core/Queues.h"
#include "core/HostId.h"
#include "core/IChannelIO.h"
#include "core/ReadableName.h"
#include "core/vst2/IPluginVST2.h"
#include "golden_text.h"
#include "temp_home.h"
#include "test_plug.h"

namespace {

using plug::IParam;

/// Compares text with golden/NAME.txt line by line and describes the first few differing lines.
void ExpectGolden(const std::string& name, const std::string& text)
{
  const std::string differences = goldentext::Compare(std::string(DROVIK_CORE_GOLDEN_DIR) + "/" + name + ".txt", text);
  EXPECT_TRUE(differences.empty()) << name << " differs from its reference:\n" << differences;
}

std::string Hex(const void* data, int size)
{
  std::string out;
  char byte[4];
  for (int i = 0; i < size; ++i)
  {
    std::snprintf(byte, sizeof(byte), "%02x", static_cast<const uint8_t*>(data)[i]);
    out += byte;
    if (i % 32 == 31 && i + 1 < size)
      out += "\n";
  }
  return out;
}

/// A number shown to 9 significant digits.
std::string Num(double v)
{
  char text[40];
  std::snprintf(text, sizeof(text), "%.9g", v);
  return text;
}

constexpr int kParams = 16;

/// A plug-in whose parameters cover every initialiser, shape, flag and display form, with three presets.
class AllKinds : public plug::IPluginVST2
{
public:
  static plug::IPluginConfig Config(bool chunks, int nPresets = 3)
  {
    plug::IPluginConfig c;
    c.nParams = kParams;
    c.nPresets = nPresets;
    c.channelIOStr = "1-1 2-2";
    c.pluginName = "All Kinds";
    c.productName = "All Kinds Product";
    c.makerName = "Recorder";
    c.vendorVersion = 0x00020105;
    c.uniqueID = plug::FourCC("AlKd");
    c.makerCode = plug::FourCC("Rcdr");
    c.latency = 7;
    c.plugDoesChunks = chunks;
    c.plugDoesMidiIn = true;
    c.plugHasUI = chunks; // one form with an editor size to ask for, one without
    c.plugWidth = 300;
    c.plugHeight = 200;
    return c;
  }

  explicit AllKinds(bool chunks, int nPresets = 3) : plug::IPluginVST2({}, Config(chunks, nPresets))
  {
    GetParam(0)->InitDouble("Drive", 3.0, 0.0, 24.0, 0.01, "dB", 0, "Tone");
    GetParam(1)->InitEnum("Mode", 1, {"Soft", "Hard", "Fold", "Tube"}, 0, "Tone");
    GetParam(2)->InitBool("Oversample", true, "", 0, "", "no", "yes");
    GetParam(3)->InitInt("Count", 2, -5, 5, "steps");
    GetParam(4)->InitFrequency("Cutoff", 0, "Filter", 1000.0, 20.0, 20000.0, 0.1);
    GetParam(5)->InitSeconds("Hold", 0, "", 0.5, 0.0, 10.0, 0.001);
    GetParam(6)->InitMilliseconds("Attack", 0, "", 10.0, 1.0, 500.0);
    GetParam(7)->InitGain("Trim", IParam::kFlagNegateDisplay | IParam::kFlagSignDisplay, "", 0.0, -18.0, 6.0, 0.5);
    GetParam(8)->InitPercentage("Mix", 0, "", 100.0, 0.0, 100.0);
    GetParam(9)->InitAngleDegrees("Phase", IParam::kFlagCannotAutomate, "", 0.0, -180.0, 180.0);
    GetParam(10)->InitPitch("Note", 12, 36, 72, 0, "", true);
    GetParam(11)->InitDouble("Curve", 0.25, 0.0, 2.0, 0.001, "x", 0, "", IParam::ShapePowCurve(3.0));
    GetParam(12)->InitDouble("Shown", 1.0, -4.0, 4.0, 0.25, "u", IParam::kFlagStepped, "", IParam::ShapeLinear(),
                             IParam::kUnitCustom, [](double v, plug::LibString& out) {
                               out.FormatCapped(IParam::kDisplayMax, "<%.3f>", v * 2.0);
                             });
    GetParam(13)->InitFrom(*GetParam(0), "Dri", "Over dri", "Second");
    GetParam(14)->InitDouble("Very Long Parameter Name With Words", 0.5, 0.0, 1.0, 0.1, "", 0, "",
                             IParam::ShapeExp());
    GetParam(15)->InitEnum("Stage", 0, 2, "st", 0, "", "first", "second");
    GetParam(14)->SetDisplayText(1.0, "full");
    MakePreset("Warm", 6.5, 0, 1, -3, 400.0, 1.25, 30.0, -6.0, 50.0, 90.0, 0, 0.5, -2.0, 12.0, 0.3, 1);
    MakePresetFromNamedParams("Named", 3, 0, 18.0, 3, 4, 1, 3);
    MakeDefaultPreset("Plain", 1);
  }

  intptr_t Call(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr, float opt = 0.f)
  {
    return GetEffect().dispatcher(&GetEffect(), opcode, index, value, ptr, opt);
  }
};

/// The dispatcher's answer to a text request: return value and the text written.
std::string TextAnswer(AllKinds& p, int32_t opcode, int32_t index, intptr_t value = 0, float opt = 0.f)
{
  char text[256];
  std::memset(text, '#', sizeof(text));
  text[255] = 0;
  const intptr_t answer = p.Call(opcode, index, value, text, opt);
  return std::to_string(answer) + " '" + text + "'";
}

const double kNormalised[] = {-0.5, 0.0, 1e-6, 0.01, 0.1, 0.2, 0.25, 1.0 / 3.0, 0.45, 0.5, 0.55, 0.6, 2.0 / 3.0, 0.75,
                              0.9, 0.99, 0.999999, 1.0, 1.5};
const char* const kTyped[] = {"", "0", "1", "-1", "2.5", "-7.25", "1000", "1e3", "0.5", "12 dB", " 3", "abc", "-0",
                              "1e300", "nan", "yes", "no", "Fold", "Tube", "C 4", "A#2", "full", "second", "99999"};

std::string ParamDump(AllKinds& p)
{
  std::ostringstream out;
  plug::LibString text;
  for (int i = 0; i < kParams; ++i)
  {
    IParam& param = *p.GetParam(i);
    plug::LibString json;
    param.GetJSON(json, i);
    out << "# " << i << " " << json.Get() << "\n";
    out << "type " << param.Type() << " unit " << param.Unit() << " flags " << param.GetFlags() << " group '"
        << param.GetGroup() << "' step " << Num(param.GetStep()) << " precision " << param.GetDisplayPrecision()
        << " curve " << param.GetShape().GetCurveKind() << " default " << Num(param.GetDefault()) << " "
        << Num(param.GetDefault(true)) << " texts " << param.NDisplayTexts() << "\n";
    out << "name " << TextAnswer(p, vst2::effGetParamName, i) << " automate "
        << p.Call(vst2::effCanBeAutomated, i) << " enum " << p.Call(vst2::effVendorSpecific, 8, i) << "\n";
    vst2::ParameterProperties props;
    std::memset(&props, 0x5a, sizeof(props));
    const intptr_t answered = p.Call(vst2::effGetParameterProperties, i, 0, &props);
    out << "properties " << answered << " step " << Num(props.stepFloat) << " " << Num(props.smallStepFloat) << " "
        << Num(props.largeStepFloat) << " label '" << std::string(props.label, strnlen(props.label, 64))
        << "' flags " << props.flags << " int " << props.minInteger << " " << props.maxInteger << " "
        << props.stepInteger << " " << props.largeStepInteger << " short '"
        << std::string(props.shortLabel, strnlen(props.shortLabel, 8)) << "' index " << props.displayIndex
        << " category " << props.category << " " << props.numParametersInCategory << " '"
        << std::string(props.categoryLabel, strnlen(props.categoryLabel, 24)) << "'\n";
    for (double x : kNormalised)
    {
      p.GetEffect().setParameter(&p.GetEffect(), i, float(x));
      param.GetDisplay(true, text, false, x);
      const std::string plain = text.Get();
      param.GetDisplayAndLabel(text);
      out << Num(x) << ": value " << Num(param.Value()) << " host "
          << Num(p.GetEffect().getParameter(&p.GetEffect(), i))
          << " int " << param.Int() << " bool " << param.Bool() << " | " << TextAnswer(p, vst2::effGetParamDisplay, i)
          << " " << TextAnswer(p, vst2::effGetParamLabel, i) << " | "
          << TextAnswer(p, vst2::effVendorSpecific, 7, i, float(x))
          << " | '" << plain << "' '" << text.Get() << "'\n";
    }
    for (const char* typed : kTyped)
    {
      param.SetToDefault();
      char buffer[64];
      std::snprintf(buffer, sizeof(buffer), "%s", typed);
      const intptr_t taken = p.Call(vst2::effString2Parameter, i, 0, buffer);
      const double hostValue = p.GetEffect().getParameter(&p.GetEffect(), i);
      std::snprintf(buffer, sizeof(buffer), "%s", typed);
      const intptr_t vendor = p.Call(vst2::effVendorSpecific, 27, i, buffer);
      out << "'" << typed << "' -> " << Num(param.StringToValue(typed)) << " set " << taken << " "
          << Num(hostValue) << " vendor " << vendor << " " << (buffer[0] ? Num(std::strtod(buffer, nullptr)) : "")
          << "\n"; // the vendor answer's 17 decimals shown to 9 digits: the last bits of log and exp may vary
    }
    param.SetToDefault();
  }
  return out.str();
}
} // namespace

TEST(RecordedAnswers, ParametersOfEveryKind)
{
  AllKinds p(false);
  ExpectGolden("parameters", ParamDump(p));
}

TEST(RecordedAnswers, PowerCurvesAcrossExponents)
{
  std::ostringstream out;
  for (double exponent : {0.2, 0.4, 0.5, 2.0 / 3.0, 1.0, 1.5, 2.0, 2.5, 3.0})
  {
    IParam p;
    p.InitDouble("P", 1.0, -2.0, 6.0, 0.0001, "", 0, "", IParam::ShapePowCurve(exponent));
    out << Num(exponent) << " kind " << p.GetShape().GetCurveKind();
    for (double x : {0.0, 0.1, 0.5, 0.9, 1.0})
      out << " " << Num(p.FromNormalized(x)) << "/" << Num(p.ToNormalized(p.FromNormalized(x)));
    out << "\n";
  }
  for (double lo : {-1.0, 0.0, 0.5})
  {
    IParam p;
    p.InitDouble("E", 1.0, lo, 100.0, 0.0, "", 0, "", IParam::ShapeExp());
    out << "exp " << Num(lo);
    for (double x : {0.0, 0.25, 0.5, 1.0})
      out << " " << Num(p.FromNormalized(x)) << "/" << Num(p.ToNormalized(p.FromNormalized(x)));
    out << "\n";
  }
  ExpectGolden("power_curves", out.str());
}

TEST(RecordedAnswers, DispatcherRequests)
{
  std::ostringstream out;
  for (bool chunks : {false, true})
  {
    AllKinds p(chunks);
    vst2::Effect& e = p.GetEffect();
    out << "# chunks " << chunks << " magic " << e.magic << " programs " << e.numPrograms << " params "
        << e.numParams << " io " << e.numInputs << " " << e.numOutputs << " flags " << e.flags << " delay "
        << e.initialDelay << " id " << e.uniqueID << " version " << e.version << "\n";
    p.Call(vst2::effOpen);
    p.RestorePreset(0);
    out << "preset 0";
    for (int i = 0; i < kParams; ++i)
      out << " " << Num(e.getParameter(&e, i));
    out << "\n";
    for (int32_t op : {vst2::effGetEffectName, vst2::effGetVendorString, vst2::effGetProductString})
      out << op << " " << TextAnswer(p, op, 0) << "\n";
    for (int32_t op : {vst2::effGetVendorVersion, vst2::effGetVstVersion, vst2::effGetPlugCategory,
                       vst2::effGetTailSize, vst2::effIdentify, vst2::effGetProgram})
      out << op << " answers " << p.Call(op) << "\n";
    for (int idx : {-1, 0, 1, 2, 3})
      out << "program name " << idx << " " << TextAnswer(p, vst2::effGetProgramNameIndexed, idx) << "\n";
    for (intptr_t program : {2, 1, 5, -1, 0})
    {
      out << "set program " << program << " " << p.Call(vst2::effSetProgram, 0, program) << " now "
          << p.Call(vst2::effGetProgram) << " " << TextAnswer(p, vst2::effGetProgramName, 0);
      for (int i = 0; i < kParams; ++i)
        out << " " << Num(e.getParameter(&e, i));
      out << "\n";
    }
    char name[64] = "A new name longer than the room a host gives";
    out << "rename " << p.Call(vst2::effSetProgramName, 0, 0, name) << " "
        << TextAnswer(p, vst2::effGetProgramName, 0) << "\n";
    for (const char* can : {"receiveVstTimeInfo", "receiveVstEvents", "receiveVstMidiEvent", "sendVstEvents",
                            "bypass", "hasCockosExtensions", "hasCockosViewAsConfig",
                            "wantsChannelCountNotifications", "supportsGainReductionInfo", "midiProgramNames", ""})
    {
      char text[64];
      std::snprintf(text, sizeof(text), "%s", can);
      out << "can do '" << can << "' " << p.Call(vst2::effCanDo, 0, 0, text) << "\n";
    }
    for (int direction : {vst2::effGetInputProperties, vst2::effGetOutputProperties})
      for (int idx : {-1, 0, 1, 2})
      {
        vst2::PinProperties pin;
        std::memset(&pin, 0, sizeof(pin));
        const intptr_t answer = p.Call(direction, idx, 0, &pin);
        out << "pin " << direction << " " << idx << " " << answer << " '" << pin.label << "' " << pin.flags << " "
            << pin.arrangementType << " '" << std::string(pin.shortLabel, strnlen(pin.shortLabel, 8)) << "'\n";
      }
    for (float rate : {44100.f, 96000.f, 0.f})
      out << "rate " << rate << " " << p.Call(vst2::effSetSampleRate, 0, 0, nullptr, rate) << " "
          << Num(p.GetSampleRate()) << "\n";
    for (intptr_t size : {64, 4096, 0, -1})
      out << "block " << size << " " << p.Call(vst2::effSetBlockSize, 0, size) << " " << p.GetBlockSize() << "\n";
    for (intptr_t on : {1, 0, 1})
      out << "mains " << on << " " << p.Call(vst2::effMainsChanged, 0, on) << "\n";
    for (intptr_t on : {1, 0})
      out << "bypass " << on << " " << p.Call(vst2::effSetBypass, 0, on) << " " << p.GetBypassed() << "\n";
    float reduction = -1.f;
    out << "gain reduction " << p.Call(vst2::effVendorSpecific, 0x50726553, 0x47526442, &reduction) << " "
        << reduction << "\n";
    for (int key : {0, 36, 60, 127})
    {
      struct
      {
        int32_t program;
        int32_t key;
        char name[64];
      } keyName{0, key, "x"};
      out << "key " << key << " " << p.Call(vst2::effGetMidiKeyName, 0, 0, &keyName) << " '" << keyName.name << "'\n";
    }
    for (intptr_t key : {1, 2, 8, 11, 50, 52, 56, 60})
      out << "key down " << key << " " << p.Call(vst2::effEditKeyDown, 'a', key, nullptr, 0.f) << " up "
          << p.Call(vst2::effEditKeyUp, 'a', key, nullptr, 0.f) << "\n";
    vst2::Rect* rect = nullptr;
    out << "editor rectangle " << p.Call(vst2::effEditGetRect, 0, 0, &rect);
    if (rect)
      out << " " << rect->top << " " << rect->left << " " << rect->bottom << " " << rect->right;
    out << " without pointer " << p.Call(vst2::effEditGetRect) << "\n";
    vst2::SpeakerArrangement in{}, outs{};
    in.type = vst2::kArrangementMono;
    in.numChannels = 1;
    outs.type = vst2::kArrangementMono;
    outs.numChannels = 1;
    out << "arrange mono " << p.Call(vst2::effSetSpeakerArrangement, 0, reinterpret_cast<intptr_t>(&in), &outs)
        << " io " << e.numInputs << " " << e.numOutputs << "\n";
    in.numChannels = outs.numChannels = 3;
    out << "arrange three " << p.Call(vst2::effSetSpeakerArrangement, 0, reinterpret_cast<intptr_t>(&in), &outs)
        << " io " << e.numInputs << " " << e.numOutputs << "\n";
    vst2::SpeakerArrangement* inNow = nullptr;
    vst2::SpeakerArrangement* outNow = nullptr;
    const intptr_t got =
        p.Call(vst2::effGetSpeakerArrangement, 0, reinterpret_cast<intptr_t>(&inNow), &outNow);
    out << "arrangement " << got;
    if (inNow && outNow)
      out << " " << inNow->type << " " << inNow->numChannels << " " << outNow->type << " " << outNow->numChannels;
    out << "\n";
  }
  ExpectGolden("dispatcher", out.str());
}

TEST(RecordedAnswers, ChunksAndProgramFiles)
{
  testsupport::TemporaryFolder dir;
  std::ostringstream out;
  for (bool chunks : {false, true})
  {
    AllKinds p(chunks);
    for (int program : {0, 2})
    {
      p.Call(vst2::effSetProgram, 0, program);
      p.GetEffect().setParameter(&p.GetEffect(), 3, 0.8f);
      for (int bank : {0, 1})
      {
        void* data = nullptr;
        const intptr_t size = p.Call(vst2::effGetChunk, bank == 0 ? 0 : 1, 0, &data);
        out << "# chunks " << chunks << " program " << program << (bank == 0 ? " bank " : " program chunk ")
            << size << "\n"
            << Hex(data, int(size)) << "\n";
      }
      const std::string fxp = dir.Path() + "/p.fxp", fxb = dir.Path() + "/b.fxb";
      ASSERT_TRUE(p.SaveProgramAsFXP(fxp.c_str()));
      ASSERT_TRUE(p.SaveBankAsFXB(fxb.c_str()));
      const std::string program_file = testsupport::ReadFile(fxp), bank_file = testsupport::ReadFile(fxb);
      out << "# fxp " << program_file.size() << "\n" << Hex(program_file.data(), int(program_file.size())) << "\n";
      out << "# fxb " << bank_file.size() << "\n" << Hex(bank_file.data(), int(bank_file.size())) << "\n";
    }
    // The files and chunks read back into a fresh instance give the same state.
    AllKinds q(chunks);
    void* data = nullptr;
    const intptr_t size = p.Call(vst2::effGetChunk, 0, 0, &data);
    std::vector<uint8_t> bank(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
    out << "set bank " << q.Call(vst2::effSetChunk, 0, size, bank.data()) << " program " << q.Call(vst2::effGetProgram)
        << " loads " << q.LoadProgramFromFXP((dir.Path() + "/p.fxp").c_str()) << " "
        << q.LoadBankFromFXB((dir.Path() + "/b.fxb").c_str());
    for (int i = 0; i < kParams; ++i)
      out << " " << Num(q.GetEffect().getParameter(&q.GetEffect(), i));
    out << "\n";
    for (int cut : {0, 4, 8, 12, int(size) - 1})
      out << "cut at " << cut << " " << q.Call(vst2::effSetChunk, 0, cut, bank.data()) << " "
          << q.Call(vst2::effSetChunk, 1, cut, bank.data()) << "\n";
    out << "headerless " << q.Call(vst2::effSetChunk, 0, size - 8, bank.data() + 8) << " "
        << q.Call(vst2::effSetChunk, 1, size - 8, bank.data() + 8) << "\n";
    // Damaged files: cut short, or one field changed; what loads and what the parameters are afterwards.
    for (const char* name : {"/p.fxp", "/b.fxb"})
    {
      const std::string path = dir.Path() + name, whole = testsupport::ReadFile(path);
      for (auto [at, cut] : std::vector<std::pair<int, bool>>{{7, true}, {61, true}, {200, true}, {0, false},
                                                              {8, false}, {12, false}, {16, false}, {20, false},
                                                              {24, false}, {28, false}, {56, false}, {60, false},
                                                              {156, false}, {160, false}})
      {
          std::string damaged = whole;
          if (at >= int(damaged.size()))
            continue;
          if (cut)
            damaged.resize(size_t(at));
          else
            damaged[size_t(at)] = char(damaged[size_t(at)] ^ 0x41);
          ASSERT_TRUE(testsupport::WriteFile(dir.Path() + "/damaged", damaged));
          AllKinds r(chunks);
          const std::string damagedPath = dir.Path() + "/damaged";
          const bool loaded = name[1] == 'p' ? r.LoadProgramFromFXP(damagedPath.c_str())
                                             : r.LoadBankFromFXB(damagedPath.c_str());
          out << name << (cut ? " cut at " : " changed at ") << at << " " << loaded;
          for (int i = 0; i < kParams; ++i)
            out << " " << Num(r.GetEffect().getParameter(&r.GetEffect(), i));
          out << " '" << r.GetPresetName(r.GetCurrentPresetIdx()) << "'\n";
        }
    }
  }
  ExpectGolden("chunks", out.str());
}

TEST(RecordedAnswers, LatencyDelayLineAcrossLengths)
{
  std::ostringstream out;
  for (int nIn : {1, 2})
    for (int nOut : {1, 2, 3})
    {
      plug::LatencyDelayLine line(nIn, nOut, 3);
      double counter = 1.0;
      for (int length : {3, 1, 5, 5, 0, 2, 8})
      {
        if (length == 8)
          line.Reserve(length);
        else
          line.Resize(length);
        out << nIn << "-" << nOut << " length " << line.GetLength() << ":";
        for (int block : {4, 1, 6})
        {
          std::vector<std::vector<double>> in(size_t(nIn), std::vector<double>(size_t(block), 0.0));
          std::vector<std::vector<double>> outs(size_t(nOut), std::vector<double>(size_t(block), -9.0));
          std::vector<double*> inPtrs, outPtrs;
          for (auto& channel : in)
          {
            for (double& s : channel)
              s = counter++;
            inPtrs.push_back(channel.data());
          }
          for (auto& channel : outs)
            outPtrs.push_back(channel.data());
          plug::LatencyDelayLock lock(line);
          if (line.GetLength() == 0)
            continue;
          if (block == 1)
            line.Feed(inPtrs.data(), block);
          else
            line.PassThrough(inPtrs.data(), outPtrs.data(), block);
          for (auto& channel : outs)
          {
            out << " [";
            for (double s : channel)
              out << " " << s;
            out << " ]";
          }
        }
        out << "\n";
      }
    }
  ExpectGolden("latency_delay_line", out.str());
}

TEST(RecordedAnswers, ParameterGroupsAndPresetSources)
{
  testsupport::TemporaryFolder dir;
  std::ostringstream out;
  AllKinds p(false);
  p.RestorePreset(0);
  const std::string source = dir.Path() + "/source.txt";
  const char* const enumNames[kParams] = {"kDrive", "kMode", "kOversample", "kCount", "kCutoff", "kHold",
                                          "kAttack", "kTrim", "kMix", "kPhase", "kNote", "kCurve",
                                          "kShown", "kOverDrive", "kLong", "kStage"};
  p.DumpMakePresetSrc(source.c_str());
  p.DumpMakePresetFromNamedParamsSrc(source.c_str(), enumNames);
  p.DumpPresetBlob(source.c_str());
  p.DumpMakePresetSrc(nullptr);
  p.DumpMakePresetFromNamedParamsSrc(nullptr, enumNames);
  p.DumpPresetBlob(nullptr); // no path: nothing written, nothing opened
  p.DumpMakePresetSrc((dir.Path() + "/no/such/folder").c_str());
  out << testsupport::ReadFile(source);
  auto values = [&] {
    for (int i = 0; i < kParams; ++i)
      out << " " << Num(p.GetParam(i)->Value());
    out << "\n";
  };
  out << "preset 0:";
  values();
  p.CopyParamValues(0, 13, 1);
  p.CopyParamValues("Tone", "Second");
  out << "copied:";
  values();
  p.DefaultParamValues("Tone");
  out << "default tone:";
  values();
  p.DefaultParamValues(3, 6);
  out << "default 3-6:";
  values();
  p.InitParamRange(5, 7, 2, "Band %d", 0.5, 0.0, 4.0, 0.5, "b", 0, "Bands");
  p.CloneParamRange(5, 6, 8, "Band", "Copy", "Copies");
  int visits = 0;
  p.ForParamInGroup("Bands", [&](int i, IParam& param) {
    out << "band " << i << " '" << param.GetName() << "'\n";
    ++visits;
  });
  p.ForParamInRange(7, 10, [&](int i, IParam& param) {
    out << "range " << i << " '" << param.GetName() << "' '" << param.GetGroup() << "' " << Num(param.Value()) << "\n";
  });
  out << "visits " << visits << "\n";
  for (const char* name : {"Warm", "Plain", "Nothing"})
    out << "restore '" << name << "' " << p.RestorePresetByName(name) << " now " << p.GetCurrentPresetIdx() << "\n";
  ExpectGolden("groups_and_sources", out.str());
}

TEST(RecordedAnswers, ContainersAndQueues)
{
  std::ostringstream out;
  plug::LibString s;
  s.Set("abcdef", 4);
  out << "'" << s.Get() << "' " << s.GetLength() << "\n";
  s.Append("XYZ", 2);
  s.Append("");
  out << "'" << s.Get() << "' " << s.GetLength() << "\n";
  s.SetRange(2, "123", 3, 2);
  out << "'" << s.Get() << "'\n";
  s.Set(s.Get() + 1, 3);
  out << "'" << s.Get() << "'\n";
  for (int cap : {0, 1, 5, 9, 40})
  {
    s.FormatCapped(cap, "%s-%d", "value", 12345);
    out << "cap " << cap << " '" << s.Get() << "'";
    s.AppendFormatCapped(cap, "+%03d", 7);
    out << " '" << s.Get() << "' " << s.GetLength() << "\n";
  }
  for (int granularity : {1, 16, 4096, 65536})
  {
    plug::LibHeapBuf buf(granularity);
    out << "granularity " << granularity << ":";
    for (int n : {1, 100, 5000, 70000, 3000000, 200, 0, 10})
    {
      buf.Resize(n);
      out << " " << buf.GetSize() << "/" << buf.GetAlloc();
    }
    buf.Resize(9000, false);
    buf.Resize(8, false);
    out << " keep " << buf.GetSize() << "/" << buf.GetAlloc();
    plug::LibHeapBuf copy(buf);
    out << " copy " << copy.GetSize() << "\n";
  }
  plug::LibPtrList<int> list(8);
  int items[6] = {0, 1, 2, 3, 4, 5};
  list.Add(&items[0]);
  list.Insert(0, &items[1]);
  list.Insert(9, &items[2]);
  list.Insert(-3, &items[3]);
  list.Insert(2, &items[4]);
  list.Delete(1);
  list.Delete(7);
  list.Add(&items[5]);
  out << "list";
  for (int i = -1; i <= list.GetSize(); ++i)
    out << " " << (list.Get(i) ? *list.Get(i) : -1);
  out << "\n";
  plug::LibTypedBuf<int16_t> typed(4);
  for (int16_t v = 0; v < 9; ++v)
    typed.Add(int16_t(v * 3));
  typed.Resize(5);
  out << "typed " << typed.GetSize() << ":";
  for (int i = 0; i < typed.GetSize(); ++i)
    out << " " << typed.Get()[i];
  out << "\n";
  for (size_t slots : {0, 2, 3, 5})
  {
    plug::SingleProducerQueue<int> one(slots);
    plug::MultiProducerQueue<int> many(slots);
    out << "queues " << slots << " slots " << one.Slots() << " " << many.Slots() << ":";
    int next = 0, popped = 0;
    for (int round = 0; round < 4; ++round)
    {
      for (int i = 0; i < round + 2; ++i, ++next)
        out << " +" << one.Push(next) << many.Push(next);
      out << " n" << one.Count();
      for (int i = 0; i < round + 1; ++i)
      {
        const bool a = one.Pop(popped);
        out << " -" << a << (a ? popped : -1);
        const bool b = many.Pop(popped);
        out << "/" << b << (b ? popped : -1);
      }
    }
    out << "\n";
  }
  ExpectGolden("containers_and_queues", out.str());
}

TEST(RecordedAnswers, HostsChannelLayoutsAndNames)
{
  std::ostringstream out;
  for (const char* product :
       {"REAPER", "Cubase Pro", "Nuendo 12", "Ableton Live 11", "Bitwig Studio", "WaveLab Elements 11", "WaveLab Pro",
        "Ardour", "Mixbus32C", "PreSonus Studio One", "Blue Cat's VST Host", "Digital Performer", "Standalone",
        "savihost", "izotope rx 10", "vst plugin analyser", "Twisted Wave", "", "Unheard Of", "reason live"})
    out << "host '" << product << "' " << plug::LookUpHost(product) << "\n";
  out << "host null " << plug::LookUpHost(nullptr) << " far "
      << plug::LookUpHost((std::string(260, '-') + "reaper").c_str())
      << " near " << plug::LookUpHost((std::string(249, '-') + "reaper").c_str()) << "\n";
  testplug::FakeHost host;
  testplug::FakeHost::sCurrent = &host;
  for (auto [product, version] : std::vector<std::pair<const char*, intptr_t>>{
           {"Ardour", 80112}, {"REAPER", 7000}, {"", 12345}, {"Bitwig Studio", -4}, {"Cubase", 1200304}})
  {
    host.mProduct = product;
    host.mVendorVersion = version;
    plug::InstanceInfo info;
    info.mVSTHostCallback = &testplug::FakeHost::Callback;
    struct Hosted : plug::IPluginVST2
    {
      explicit Hosted(const plug::InstanceInfo& i) : plug::IPluginVST2(i, AllKinds::Config(false)) {}
    } p(info);
    p.GetEffect().dispatcher(&p.GetEffect(), vst2::effOpen, 0, 0, nullptr, 0.f);
    plug::LibString text;
    p.FormatHostVersion(text);
    out << "opened by '" << product << "' " << version << ": host " << p.GetHost() << " version "
        << p.GetHostVersion(false) << " " << p.GetHostVersion(true) << " '" << text.Get() << "'";
    p.FormatPluginVersion(text);
    out << " plug-in '" << text.Get() << "' " << p.GetPluginVersion(false) << "\n";
  }
  testplug::FakeHost::sCurrent = nullptr;
  for (const char* layout : {"1-1 2-2", "2-2", "0-2", "1.1-2", "2.2.2-4.1", "*-2", "*.2-*", "1-1  2-2", "", "a-b",
                             "3", "1-1 2-2 4-4.4", "-"})
  {
    std::vector<plug::IChannelIOConfig> configs;
    plug::IChannelIOMaxima maxima;
    const int n = plug::ParseChannelIOStr(layout, configs, maxima);
    out << "layout '" << layout << "' " << n << " max " << maxima.mNInChannels << " " << maxima.mNOutChannels << " "
        << maxima.mNInBuses << " " << maxima.mNOutBuses << ":";
    for (const auto& config : configs)
    {
      out << " [";
      for (int dir : {0, 1})
      {
        for (const auto& bus : config.mBuses[dir])
          out << bus.mNChannels << ",";
        out << config.mTotal[dir] << "/" << config.GetTotalNChannels(plug::ERoute(dir)) << (dir ? "]" : " |");
      }
    }
    out << "\n";
  }
  for (const char* name : {"Plain", "caf\xc3\xa9 \xe2\x82\xac", "bad \xff byte", "cut \xe2\x82", "\xed\xa0\x80 half",
                           "\xf4\x90\x80\x80 high", "\xc0\xaf long", "tab\tand\nline", "\xf0\x9f\x8e\xb8 guitar"})
  {
    out << "name '" << plug::ReadableName(name) << "'";
    for (int size : {1, 4, 6, 8, 24})
    {
      char buffer[32];
      std::memset(buffer, '#', sizeof(buffer));
      plug::CopyReadableName(buffer, size, name);
      out << " " << size << ":'" << buffer << "'";
    }
    out << "\n";
  }
  ExpectGolden("hosts_layouts_names", out.str());
}

namespace {
/// AllKinds with a block that shows which path the audio took: each output is its input halved plus the channel.
class Halving : public AllKinds
{
public:
  Halving() : AllKinds(false) {}
  void ProcessBlock(double** inputs, double** outputs, int nFrames) override
  {
    for (int c = 0; c < 2; ++c)
      for (int i = 0; i < nFrames; ++i)
        outputs[c][i] = inputs[c][i] * 0.5 + c;
  }
};
} // namespace

TEST(RecordedAnswers, AudioThroughEveryProcessPath)
{
  std::ostringstream out;
  Halving p;
  vst2::Effect& e = p.GetEffect();
  p.Call(vst2::effSetSampleRate, 0, 0, nullptr, 48000.f);
  p.Call(vst2::effSetBlockSize, 0, 8);
  p.Call(vst2::effMainsChanged, 0, 1);
  float counter = 1.f;
  // block: frames, path (0 replacing, 1 double, 2 accumulating), bypass, latency (-1 unchanged), mono
  struct Step
  {
    int frames, path, bypass, latency;
    bool mono;
  };
  for (const Step& step : {Step{5, 0, 0, -1, false}, Step{5, 1, 0, -1, false}, Step{3, 2, 0, -1, false},
                           Step{6, 0, 1, -1, false}, Step{4, 1, 1, -1, false}, Step{5, 2, 1, 2, false},
                           Step{6, 1, 1, -1, true}, Step{3, 0, 0, 0, true}, Step{4, 0, 1, -1, false},
                           Step{8, 1, 1, 5, false}, Step{0, 0, 1, -1, false}, Step{7, 0, 1, -1, false}})
  {
    if (step.latency >= 0)
      p.SetLatency(step.latency);
    vst2::SpeakerArrangement in{}, outs{};
    in.numChannels = outs.numChannels = step.mono ? 1 : 2;
    p.Call(vst2::effSetSpeakerArrangement, 0, reinterpret_cast<intptr_t>(&in), &outs);
    p.Call(vst2::effSetBypass, 0, step.bypass);
    std::vector<float> fin[2], fout[2];
    std::vector<double> din[2], dout[2];
    float* finPtrs[2];
    float* foutPtrs[2];
    double* dinPtrs[2];
    double* doutPtrs[2];
    for (int c = 0; c < 2; ++c)
    {
      for (int i = 0; i < step.frames; ++i, counter += 1.f)
      {
        fin[c].push_back(counter);
        din[c].push_back(counter);
      }
      fout[c].assign(size_t(step.frames) + 1, 100.f); // one more than the host hands over: a guard
      dout[c].assign(size_t(step.frames) + 1, 100.0);
      finPtrs[c] = fin[c].data();
      foutPtrs[c] = fout[c].data();
      dinPtrs[c] = din[c].data();
      doutPtrs[c] = dout[c].data();
    }
    if (step.path == 0)
      e.processReplacing(&e, finPtrs, foutPtrs, step.frames);
    else if (step.path == 2)
      e.process(&e, finPtrs, foutPtrs, step.frames);
    else
      e.processDoubleReplacing(&e, dinPtrs, doutPtrs, step.frames);
    out << step.frames << " frames path " << step.path << " bypass " << step.bypass << " latency " << p.GetLatency()
        << " " << e.initialDelay << (step.mono ? " mono" : "") << ":";
    for (int c = 0; c < 2; ++c)
    {
      out << " [";
      for (int i = 0; i < step.frames; ++i)
        out << " " << (step.path == 1 ? dout[c][size_t(i)] : double(fout[c][size_t(i)]));
      out << " ] guard " << fout[c].back() << " " << dout[c].back();
    }
    out << "\n";
  }
  ExpectGolden("audio_paths", out.str());
}

namespace {
/// A host that writes down every request a plug-in makes of it and answers with set values.
struct RecordingHost
{
  static RecordingHost* sCurrent;
  std::ostringstream mLog;
  const char* mProduct = "";
  intptr_t mProcessLevel = 0;
  const vst2::TimeInfo* mTime = nullptr;
  static intptr_t Callback(vst2::Effect*, int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt)
  {
    RecordingHost& host = *sCurrent;
    switch (opcode)
    {
    case vst2::audioMasterGetProductString:
      std::strcpy(static_cast<char*>(ptr), host.mProduct);
      return 1;
    case vst2::audioMasterGetCurrentProcessLevel:
      return host.mProcessLevel;
    case vst2::audioMasterGetTime:
      return reinterpret_cast<intptr_t>(host.mTime);
    case vst2::audioMasterGetVendorVersion:
      return 0;
    case vst2::audioMasterProcessEvents:
    {
      const vst2::Event* e = static_cast<const vst2::Events*>(ptr)->events[0];
      host.mLog << " event " << e->type << " " << e->byteSize << " at " << e->deltaFrames;
      if (e->type == vst2::kEventMidi)
        for (int b = 0; b < 4; ++b)
          host.mLog << " " << int(uint8_t(reinterpret_cast<const vst2::MidiEvent*>(e)->midiData[b]));
      else
      {
        const auto* sysEx = reinterpret_cast<const vst2::SysExEvent*>(e);
        for (int b = 0; b < sysEx->dumpBytes; ++b)
          host.mLog << " " << int(uint8_t(sysEx->sysexDump[b]));
      }
      host.mLog << ";";
      return 1;
    }
    default:
      host.mLog << " " << opcode << "(" << index << "," << value << "," << Num(opt) << ")";
      return opcode == vst2::audioMasterSizeWindow ? 1 : 0;
    }
  }
};
RecordingHost* RecordingHost::sCurrent = nullptr;

/// AllKinds with an editor, told of by a recording host; records resets and parameter changes too.
class Hosted : public plug::IPluginVST2
{
public:
  explicit Hosted(bool midi) : plug::IPluginVST2(Info(), Config(midi)) {}
  static plug::InstanceInfo Info()
  {
    plug::InstanceInfo info;
    info.mVSTHostCallback = &RecordingHost::Callback;
    return info;
  }
  static plug::IPluginConfig Config(bool midi)
  {
    plug::IPluginConfig c = AllKinds::Config(true);
    c.nParams = 3;
    c.plugDoesMidiIn = c.plugDoesMidiOut = midi;
    c.channelIOStr = "1-1 2-2 4-4";
    return c;
  }
  void OnReset() override { RecordingHost::sCurrent->mLog << " reset"; }
  void OnParamChange(int idx, plug::EParamChangeSource source, int) override
  {
    RecordingHost::sCurrent->mLog << " change " << idx << "/" << source;
  }
  intptr_t Call(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr, float opt = 0.f)
  {
    return GetEffect().dispatcher(&GetEffect(), opcode, index, value, ptr, opt);
  }
};
} // namespace

TEST(RecordedAnswers, RequestsToTheHost)
{
  RecordingHost host;
  RecordingHost::sCurrent = &host;
  std::ostream& out = host.mLog;
  for (const char* product : {"Forte", "Ardour"})
  {
    host.mProduct = product;
    Hosted p(std::strcmp(product, "Forte") == 0);
    out << "# " << product << "\nopen:";
    p.Call(vst2::effOpen);
    out << "\nio " << p.GetEffect().numInputs << " " << p.GetEffect().numOutputs << "\nfrom the editor:";
    p.GetParam(0)->InitDouble("A", 0.0, -1.0, 1.0, 0.25);
    p.BeginInformHostOfParamChangeFromUI(0);
    p.SendParamValueFromUI(0, 0.3);
    p.SendParamValueFromUI(0, 0.8, false);
    p.EndInformHostOfParamChangeFromUI(0);
    p.SetParameterValue(1, 0.4, true);
    out << " value " << Num(p.GetParam(0)->Value()) << "\nresize:";
    for (auto [w, h] : {std::pair{300, 200}, std::pair{400, 250}, std::pair{400, 250}})
      out << " " << p.EditorResizeFromUI(w, h, true);
    out << "\nlatency:";
    p.SetLatency(12);
    out << " " << p.GetEffect().initialDelay << "\nmidi out:";
    plug::IMidiMsg note;
    note.mOffset = 3;
    note.mStatus = 0x90;
    note.mData1 = 60;
    note.mData2 = 100;
    out << " " << p.SendMidiMsg(note);
    const uint8_t dump[] = {0xf0, 0x7e, 0x01, 0xf7};
    plug::ISysExMsg sysEx;
    sysEx.mOffset = 2;
    sysEx.mSize = 4;
    sysEx.mData = dump;
    out << " " << p.SendSysEx(sysEx) << "\n";
    p.Call(vst2::effSetSampleRate, 0, 0, nullptr, 48000.f);
    p.Call(vst2::effSetBlockSize, 0, 4);
    p.Call(vst2::effMainsChanged, 0, 1);
    vst2::TimeInfo time{};
    time.samplePos = 4096;
    time.ppqPos = 8.5;
    time.tempo = 96;
    time.barStartPos = 8;
    time.cycleStartPos = 4;
    time.cycleEndPos = 12;
    time.timeSignatureNumerator = 7;
    time.timeSignatureDenominator = 8;
    for (int32_t flags : {0, 0xffff, vst2::kTimeTempoValid | vst2::kTimeTransportPlaying,
                          vst2::kTimeSignatureValid | vst2::kTimeCyclePosValid | vst2::kTimeTransportCycleActive,
                          vst2::kTimePpqPosValid | vst2::kTimeBarsValid, -1})
    {
      time.flags = flags;
      host.mTime = flags == -1 ? nullptr : &time;
      host.mProcessLevel = flags == 0xffff ? 4 : 0;
      float in[4][8] = {}, outs[4][8] = {};
      float* inPtrs[4] = {in[0], in[1], in[2], in[3]};
      float* outPtrs[4] = {outs[0], outs[1], outs[2], outs[3]};
      vst2::MidiEvent midi{};
      midi.type = vst2::kEventMidi;
      midi.byteSize = sizeof(midi);
      midi.deltaFrames = 1;
      midi.midiData[0] = char(0xb0);
      midi.midiData[1] = 7;
      midi.midiData[2] = char(flags & 0x7f);
      vst2::Events events{};
      events.numEvents = 1;
      events.events[0] = reinterpret_cast<vst2::Event*>(&midi);
      out << "block " << flags << ":";
      p.Call(vst2::effProcessEvents, 0, 0, &events);
      p.GetEffect().processReplacing(&p.GetEffect(), inPtrs, outPtrs, flags == 0xffff ? 8 : 4);
      const plug::IHostTimeInfo& t = p.GetTimeInfo();
      out << " | time " << Num(t.mTempo) << " " << Num(t.mSamplePos) << " " << Num(t.mPPQPos) << " "
          << Num(t.mLastBar) << " " << Num(t.mCycleStart) << " " << Num(t.mCycleEnd) << " " << t.mNumerator << "/"
          << t.mDenominator << " " << t.mTransportIsRunning << t.mTransportLoopEnabled << " per beat "
          << Num(p.GetSamplesPerBeat()) << " offline " << p.GetRenderingOffline() << " block " << p.GetBlockSize()
          << "\n";
    }
    host.mTime = nullptr;
    p.Call(vst2::effMainsChanged, 0, 0);
    out << "host setter:";
    p.GetEffect().setParameter(&p.GetEffect(), 2, 0.5f);
    out << "\n";
  }
  RecordingHost::sCurrent = nullptr;
  ExpectGolden("requests_to_the_host", host.mLog.str());
}

namespace {
/// AllKinds with seven slots: three made in the constructor, four left to the test.
class SixSlots : public AllKinds
{
public:
  SixSlots() : AllKinds(true, 7) {}
};

std::string Presets(const plug::IPluginBase& p)
{
  std::string out;
  for (int i = -1; i <= p.NPresets(); ++i)
  {
    const plug::IPresetSlot* slot = p.GetPresetSlot(i);
    out += " " + std::to_string(i) + ":'" + p.GetPresetName(i) + "'";
    if (slot)
      out += std::to_string(slot->mInitialized) + "/" + std::to_string(slot->mChunk.Size());
  }
  out += " current " + std::to_string(p.GetCurrentPresetIdx()) + " values";
  for (int i = 0; i < 4; ++i)
    out += " " + Num(p.GetParam(i)->Value());
  return out + "\n";
}
} // namespace

TEST(RecordedAnswers, PresetSlotsAndStateChunkFields)
{
  std::ostringstream out;
  plug::IStateChunk chunk;
  const int32_t word = 0x01020304;
  const double value = -2.5;
  out << "put " << chunk.Put(&word) << " " << chunk.PutStr("name") << " " << chunk.PutStr("") << " "
      << chunk.PutStr(nullptr) << " " << chunk.Put(&value) << " at " << chunk.PutAt(&word, 21) << " "
      << chunk.PutAt(&word, 20) << " " << chunk.PutAt(&word, -1) << "\n"
      << Hex(chunk.GetData(), chunk.Size()) << "\n";
  plug::LibString text("untouched");
  for (int pos : {-1, 0, 4, 12, 16, 20, 24, 25})
  {
    text.Set("untouched");
    int32_t read = 0;
    const int afterWord = chunk.Get(&read, pos);
    out << "at " << pos << ": word " << afterWord << " " << read << " text " << chunk.GetStr(text, pos) << " '"
        << text.Get() << "'\n";
  }
  out << "resize " << chunk.Resize(30) << " " << chunk.Resize(-3) << " " << chunk.Resize(6) << " "
      << Hex(chunk.GetData(), chunk.Size()) << "\n";

  SixSlots p;
  out << "made:" << Presets(p);
  plug::IStateChunk state;
  p.GetParam(0)->Set(20.0);
  p.SerializeState(state);
  p.MakePresetFromChunk("From chunk", state);
  p.MakePresetFromBlob("From text", "AAAAAAAAGkAAAAAAAAAAAA==", 16);
  p.MakePresetFromBlob("Bad text", "!!!!", 3);
  p.MakePresetFromBlob("Longer text", "AAAAAAAAGkAAAAAAAAAAAA==", 8); // the bytes beyond the count are not read
  out << "filled:" << Presets(p);
  for (int idx : {3, 4, 5, 6, 1})
  {
    const bool restored = p.RestorePreset(idx);
    out << "restore " << idx << " " << restored;
    for (int i = 0; i < 4; ++i)
      out << " " << Num(p.GetParam(i)->Value());
    out << "\n";
  }
  p.ModifyCurrentPreset("Renamed");
  p.FillEmptyPresets();
  out << "empty filled:" << Presets(p);
  plug::IStateChunk list;
  out << "list " << p.SerializePresets(list) << " " << list.Size() << "\n" << Hex(list.GetData(), list.Size()) << "\n";
  SixSlots reread;
  out << "reread " << reread.UnserializePresets(list, 0) << Presets(reread);
  // A list whose every state reads whole, damaged in one byte at a time or cut short.
  SixSlots whole;
  whole.RestorePreset(1);
  whole.GetParam(3)->Set(-4.0);
  whole.ModifyCurrentPreset("Changed");
  whole.FillEmptyPresets();
  list.Clear();
  out << "whole list " << whole.SerializePresets(list) << " " << list.Size() << "\n";
  for (int at : {0, 3, 4, 8, 9, 17, 137, 138, 141, 150, list.Size() - 1})
  {
    plug::IStateChunk damaged;
    damaged.PutChunk(list);
    damaged.GetData()[at] ^= 0x5a;
    SixSlots q;
    out << "list changed at " << at << " " << q.UnserializePresets(damaged, 0) << Presets(q);
  }
  for (int size : {list.Size() - 1, 3, 0})
  {
    plug::IStateChunk cut;
    cut.PutBytes(list.GetData(), size);
    SixSlots q;
    out << "list cut to " << size << " " << q.UnserializePresets(cut, 0) << Presets(q);
  }
  SixSlots pruned;
  pruned.PruneUninitialisedPresets();
  out << "pruned:" << Presets(pruned);
  ExpectGolden("preset_slots", out.str());
}

TEST(RecordedAnswers, ChannelLayoutsSeenByHostAndProcessor)
{
  std::ostringstream out;
  for (const char* layout : {"1-1 2-2", "2-2", "1-2", "0-2", "2.2-2", "2-2.1 4-4", "*-*", "1.*-2"})
    for (int type : {plug::kPlugTypeEffect, plug::kPlugTypeInstrument, plug::kPlugTypeMIDIEffect})
    {
      plug::IPluginConfig c = AllKinds::Config(false);
      c.nParams = 1;
      c.nPresets = 1;
      c.channelIOStr = layout;
      c.plugType = type;
      c.plugDoesMidiIn = type != plug::kPlugTypeEffect;
      struct Layout : plug::IPluginVST2
      {
        using plug::IPluginVST2::IPluginVST2;
      } p({}, c);
      vst2::Effect& e = p.GetEffect();
      const int au = p.GetAUComponentType();
      out << "'" << layout << "' type " << type << ": io " << e.numInputs << " " << e.numOutputs << " flags "
          << e.flags << " category " << e.dispatcher(&e, vst2::effGetPlugCategory, 0, 0, nullptr, 0.f) << " au "
          << char(au >> 24) << char(au >> 16) << char(au >> 8) << char(au) << " configs " << p.NChannelIOConfigs()
          << " mono " << p.HasMonoInputConfig();
      int configIdx = 0;
      for (plug::ERoute dir : {plug::kInput, plug::kOutput})
      {
        out << " | buses " << p.MaxNBuses(dir, &configIdx) << "@" << configIdx << " per bus";
        for (int bus = -1; bus < 3; ++bus)
          out << " " << p.MaxNChannelsForBus(dir, bus);
        out << " connected " << p.CountConnectedChannels(dir);
      }
      out << " | legal";
      for (auto [nIn, nOut] :
           std::vector<std::pair<int, int>>{{1, 1}, {2, 2}, {1, 2}, {0, 2}, {-1, 2}, {2, -1}, {4, 4}})
        out << " " << p.IsLegalIO(nIn, nOut);
      out << " | with counts " << p.GetIOConfigWithChanCounts({2}, {2}) << " " << p.GetIOConfigWithChanCounts({1}, {1})
          << " " << p.GetIOConfigWithChanCounts({2, 2}, {2}) << " " << p.GetIOConfigWithChanCounts({}, {2}) << "\n";
      if (type != plug::kPlugTypeEffect)
        continue;
      for (plug::ERoute dir : {plug::kInput, plug::kOutput})
        for (int idx = 0; idx < p.MaxNChannels(dir); ++idx)
        {
          plug::LibString bus;
          p.GetBusName(dir, idx, p.MaxNBuses(dir), bus);
          vst2::PinProperties pin{};
          e.dispatcher(&e, dir == plug::kInput ? vst2::effGetInputProperties : vst2::effGetOutputProperties, idx, 0,
                       &pin, 0.f);
          out << "  " << dir << "." << idx << " '" << p.GetChannelLabel(dir, idx) << "' bus '" << bus.Get()
              << "' pin '" << pin.label << "' " << pin.flags << "\n";
        }
    }
  ExpectGolden("channel_layouts", out.str());
}
