// State checks: chunk, program-file and bank-file round trips restore every parameter and give identical bytes;
// every parameter survives 0, 1, random, out-of-range and NaN values; hostile chunks change nothing unless the
// plug-in accepts them.
#include "check_support.h"
#include "host/program_files.h"

#include <limits>

namespace host::validator {
namespace {

constexpr float kRestoreTolerance = 1e-5f; // texts in a chunk may round a value in its last digits
constexpr size_t kDisplayField = 64;

std::string FirstDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b)
{
  if (a == b) return "";
  size_t i = 0;
  while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
  return "sizes " + std::to_string(a.size()) + " and " + std::to_string(b.size()) + ", first difference at byte " +
         std::to_string(i);
}

/// Save, scramble, restore, compare values, save again and compare bytes.
using SaveFn = std::function<bool(Plugin&, std::vector<uint8_t>&, std::string&)>;
using LoadFn = std::function<bool(Plugin&, const std::vector<uint8_t>&, std::string&)>;

std::string RoundTrip(Context& c, Plugin& p, const std::string& what, const SaveFn& save, const LoadFn& load)
{
  Randomise(c, p);
  const std::vector<float> before = Snapshot(p);
  std::vector<uint8_t> first, second;
  std::string error;
  if (!save(p, first, error)) return what + ": " + error;
  Randomise(c, p);
  if (!load(p, first, error)) return what + ": loading back failed: " + error;
  const std::string diff = Compare(p, before, Snapshot(p), kRestoreTolerance);
  if (!diff.empty()) return what + " did not restore " + diff;
  if (!save(p, second, error)) return what + ": " + error;
  const std::string bytes = FirstDifference(first, second);
  if (!bytes.empty()) return what + " bytes differ after a round trip: " + bytes;
  return "";
}

Result State(Context& c)
{
  std::string error;
  auto p = c.NewInstance(error);
  if (!p) return Result::Fail(error);
  std::vector<std::string> done;
  if (p->HasChunks()) {
    for (bool program : {true, false}) {
      const std::string what = program ? "program chunk" : "bank chunk";
      const std::string why = RoundTrip(
          c, *p, what,
          [program](Plugin& q, std::vector<uint8_t>& out, std::string& e) {
            if (q.GetChunk(program, out)) return true;
            e = "the plug-in gave no chunk";
            return false;
          },
          [program](Plugin& q, const std::vector<uint8_t>& in, std::string& e) {
            if (q.SetChunk(program, in) != 0) return true;
            e = "the plug-in answered 0 to its own chunk";
            return false;
          });
      if (!why.empty()) return Result::Fail(why);
      done.push_back(what);
    }
  }
  const auto loadProgram = [](Plugin& q, const std::vector<uint8_t>& in, std::string& e) { return LoadProgram(q, in, e); };
  const auto loadBank = [](Plugin& q, const std::vector<uint8_t>& in, std::string& e) { return LoadBank(q, in, e); };
  std::string why = RoundTrip(c, *p, "program file", SaveProgram, loadProgram);
  if (why.empty()) why = RoundTrip(c, *p, "bank file", SaveBank, loadBank);
  if (!why.empty()) return Result::Fail(why);
  done.push_back("program file");
  done.push_back("bank file");
  std::string report;
  for (const auto& d : done) report += (report.empty() ? "" : ", ") + d;
  return Result::Pass(report);
}

Result ParameterFuzz(Context& c)
{
  std::string error;
  auto p = c.NewInstance(error);
  if (!p) return Result::Fail(error);
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const int randoms = c.Level() >= kMaxLevel ? 8 : 3;
  int sets = 0;
  for (int i = 0; i < p->NumParams(); ++i) {
    std::vector<std::pair<float, std::string>> values = {{0.f, "0"}, {1.f, "1"}};
    for (int k = 0; k < randoms; ++k) {
      const float v = c.Uniform();
      values.emplace_back(v, std::to_string(v));
    }
    for (auto v : {std::make_pair(-1.f, "-1"), std::make_pair(2.f, "2"), std::make_pair(1e30f, "1e30"),
                   std::make_pair(-0.f, "-0"), std::make_pair(inf, "+inf"), std::make_pair(-inf, "-inf"),
                   std::make_pair(nan, "NaN")})
      values.emplace_back(v.first, v.second);
    for (const auto& v : values) {
      p->SetParam(i, v.first);
      ++sets;
      const float got = p->GetParam(i);
      const std::string at = "parameter " + std::to_string(i) + " " + Quote(p->ParamName(i)) + " set to " + v.second;
      if (!(got >= 0.f && got <= 1.f)) return Result::Fail(at + ": getParameter answered " + std::to_string(got));
      size_t written = 0;
      const std::string display = p->RawText(vst2::effGetParamDisplay, i, &written);
      if (!IsValidUtf8(display)) return Result::Fail(at + ": display " + Quote(display) + " is not UTF-8");
      if (written + 1 > kDisplayField)
        return Result::Fail(at + ": display of " + std::to_string(written) + " bytes overruns its field");
    }
  }
  return Result::Pass(std::to_string(sets) + " values set");
}

/// A damaged chunk; `invalid` ones (cut short or pure noise) can never be a valid state.
struct Variant
{
  std::string name;
  std::vector<uint8_t> bytes;
  bool invalid;
};

std::vector<Variant> HostileVariants(Context& c, const std::vector<uint8_t>& good)
{
  std::vector<Variant> out;
  const size_t n = good.size();
  auto noise = [&](size_t size) {
    std::vector<uint8_t> bytes(size);
    for (auto& b : bytes) b = static_cast<uint8_t>(c.Pick(256));
    return bytes;
  };
  for (size_t cut : {size_t(1), size_t(4), size_t(7), size_t(8), size_t(12), n / 2, n - 1})
    if (cut > 0 && cut < n)
      out.push_back({"truncated to " + std::to_string(cut),
                     std::vector<uint8_t>(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut)), true});
  for (size_t size : {size_t(1), size_t(16), size_t(1000), n}) out.push_back({std::to_string(size) + " random bytes", noise(size), true});
  auto longer = good;
  const auto tail = noise(4096);
  longer.insert(longer.end(), tail.begin(), tail.end());
  out.push_back({"with 4096 random bytes appended", longer, false});
  auto headerKept = good;
  for (size_t i = std::min<size_t>(8, n); i < n; ++i) headerKept[i] = static_cast<uint8_t>(c.Pick(256));
  out.push_back({"header kept, body random", headerKept, false});
  const int flips = c.Level() >= kMaxLevel ? 200 : 50;
  for (int k = 0; k < flips && n > 0; ++k) {
    auto flipped = good;
    const size_t byte = static_cast<size_t>(c.Pick(static_cast<int>(n)));
    flipped[byte] ^= static_cast<uint8_t>(1u << c.Pick(8));
    out.push_back({"bit flip at byte " + std::to_string(byte), flipped, false});
  }
  return out;
}

Result HostileChunks(Context& c)
{
  std::string error;
  auto p = c.NewInstance(error);
  if (!p) return Result::Fail(error);
  if (!p->HasChunks()) return Result::Pass("not applicable: the plug-in keeps no chunks");
  int accepted = 0, refused = 0;
  for (bool program : {true, false}) {
    const std::string kind = program ? "program chunk " : "bank chunk ";
    Randomise(c, *p);
    std::vector<uint8_t> good;
    if (!p->GetChunk(program, good)) return Result::Fail("the plug-in gave no " + kind);
    for (const auto& variant : HostileVariants(c, good)) {
      const std::string what = kind + variant.name;
      const std::vector<float> before = Snapshot(*p);
      std::vector<uint8_t> stateBefore, stateAfter;
      p->GetChunk(true, stateBefore);
      const intptr_t answer = p->SetChunk(program, variant.bytes);
      const std::vector<float> after = Snapshot(*p);
      for (size_t i = 0; i < after.size(); ++i)
        if (!(after[i] >= 0.f && after[i] <= 1.f))
          return Result::Fail(what + ": parameter " + std::to_string(i) + " became " + std::to_string(after[i]));
      answer == 0 ? ++refused : ++accepted;
      if (answer == 0 || variant.invalid) {
        const std::string how = answer == 0 ? " was refused but changed " : " was taken and changed ";
        const std::string diff = Compare(*p, before, after, 0.f);
        if (!diff.empty()) return Result::Fail(what + how + diff);
        p->GetChunk(true, stateAfter);
        const std::string bytes = FirstDifference(stateBefore, stateAfter);
        if (!bytes.empty()) return Result::Fail(what + how + "the state chunk: " + bytes);
      }
      if (p->SetChunk(program, good) == 0) return Result::Fail(kind + "refused after " + variant.name);
    }
  }
  return Result::Pass(std::to_string(refused) + " refused, " + std::to_string(accepted) +
                      " accepted; nothing invalid changed the state");
}

} // namespace

std::vector<Check> StateChecks()
{
  return {{"state", 2, State}, {"parameter fuzz", 2, ParameterFuzz}, {"hostile chunks", 4, HostileChunks}};
}

} // namespace host::validator
