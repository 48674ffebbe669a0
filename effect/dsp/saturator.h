// The harmonic generator of one channel: a staged even/odd curve ("clean", "warm", "crisp") with DC-blocked,
// smoothed harmonics and randomly fluctuating drive, or the sine shaper "classic".
#pragma once

#include "effect/dsp/fluctuation_random.h"
#include "effect/dsp/modes.h"
#include "effect/dsp/sat_settings.h"

/// A one-pole smoother that walks towards a random target.
struct RandomWalk
{
  double a = 0.0;
  double b = 1.0;
  double y = 0.0;
  double threshold = 0.01;
};

class Saturator
{
public:
  static constexpr int kMaxStages = 5;

  /// Clears all state for sample rate fs and draws new random targets. [prepare or audio thread: no allocation]
  void Reset(double sampleRate);
  /// Takes mode, stages, drives (cubic taper) and fluctuation. [any thread, under the plug-in lock]
  void SetParams(const SatSettings& s);
  /// One sample. [audio thread]
  double Process(double x);
  /// One sample of each of two saturators (the stereo placement): x = a.Process(x) and y = b.Process(y), with
  /// the curve's functions of both channels computed together (to a few units in the last place of the scalar
  /// functions). [audio thread]
  static void ProcessPair(Saturator& a, Saturator& b, double& x, double& y);
  /// ProcessPair for one frame (x0, y0) and then the next (x1, y1), the two frames' curves evaluated together.
  /// [audio thread]
  static void ProcessPairTwice(Saturator& a, Saturator& b, double& x0, double& y0, double& x1, double& y1);
  /// The staged curve; evenDrive and oddDrive are fractions 0..1. With smooth, the harmonics pass the DC
  /// blockers and the averaging steps held in this object. A stage's harmonics are bounded (and a warm stage's
  /// input kept short of its pole), so that at high drive the output saturates instead of breaking down; below
  /// the bounds the curve is exact. [audio thread]
  double SaturationCurve(int mode, int stages, bool smooth, double x, double evenDrive, double oddDrive);

  /// The saturator's own random generator (tests seed it).
  FluctuationRandom& Random() { return mRandom; }
  double EvenDrive() const { return evenDrive; }
  double OddDrive() const { return oddDrive; }
  double EvenWalk() const { return evenWalk.y; }
  double OddWalk() const { return oddWalk.y; }

private:
  /// Advances the fluctuation by a sample; gives the drives (fractions) of this sample.
  void StepDrives(double& even, double& odd);
  /// The curve's end: h through the DC blockers and averaging (smooth), added to xc, clamped.
  double FinishCurve(bool smooth, double xc, double h);
  /// Whether a and b have the settings that ProcessPair evaluates together (warm or crisp, the same stages).
  static bool Pairable(const Saturator& a, const Saturator& b);
  /// ProcessPair after the drives were stepped (even and odd of a, then of b).
  static void CurvesOfPair(Saturator& a, Saturator& b, double& x, double& y, const double drives[4]);
  /// The staged warm or crisp curve of `lanes` signals (a, b, a, b, ...: one frame of each pair after the
  /// other) with their drives (even, odd per signal), all of them evaluated together; returns the unsmoothed
  /// curve h of each. xc: the inputs, clamped.
  template <int Lanes> static void StagedCurves(int mode, int stages, const double* xc, const double* drives,
                                                double* h);


  double dcA = 0.999, dcB = 0.001;
  double dc1 = 0.0, dc2 = 0.0;
  double prevD = 0.0, prevA1 = 0.0, prevA2 = 0.0;
  double classicDenominator = 200.0;
  double classicOdd = 0.0;
  double classicAngle = 0.0;
  double classicNorm = 0.0;
  RandomWalk oddWalk;
  RandomWalk evenWalk;
  int period = 1;
  int counter = 0;
  double sampleRate = 44100.0;
  double sampleRateKHz = 44.1;
  double evenTarget = 0.0, oddTarget = 0.0;
  double fluctuation = 0.0;
  double evenDrive = 0.0, oddDrive = 0.0;
  int mode = kSatClean;
  int stages = 1;
  FluctuationRandom mRandom;
};
