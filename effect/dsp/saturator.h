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
  /// The staged curve; evenDrive and oddDrive are fractions 0..1. With smooth, the harmonics pass the DC
  /// blockers and the averaging steps held in this object. [audio thread]
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
  /// The staged warm or crisp curve of a and b together, smoothed; xa, xb clamped, no NaN, drives positive.
  static void CurvePair(Saturator& a, Saturator& b, double& xa, double& xb, double evenA, double oddA,
                        double evenB, double oddB);

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
