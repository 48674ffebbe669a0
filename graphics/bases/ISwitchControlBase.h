// The base of switches: each press moves to the next of a fixed number of states, wrapping to the first; a
// switch bound to a parameter takes its number of states from the parameter's range when attached. Per-state
// disabled flags serve derived controls that draw or skip single states. Derived switches draw. Main thread only.
#pragma once

#include <vector>

#include "graphics/bases/IControl.h"

namespace plug {
namespace igraphics {

class ISwitchControlBase : public IControl
{
public:
  /// Most states a switch takes from a parameter's range; wider ranges are capped to it.
  static constexpr int kMaxStates = 4096;

  ISwitchControlBase(const IRECT& bounds, int paramIdx = -1, IActionFn action = nullptr, int numStates = 2);

  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const IMouseMod& mod) override;
  /// Takes the number of states from slot 0's parameter, when it has one.
  void OnInit() override;

  /// Out-of-range states change nothing; the control is marked dirty in every case.
  void SetStateDisabled(int state, bool disabled);
  void SetAllStatesDisabled(bool disabled);
  /// False for a state that does not exist.
  bool GetStateDisabled(int state) const;

  int GetNumStates() const { return mNumStates; }
  bool IsMouseDown() const { return mMouseDown; }

protected:
  /// The value after one press: the next state, wrapping to 0 after the last.
  double NextStateValue() const;

  int mNumStates;
  std::vector<bool> mDisabledStates;
  bool mMouseDown = false;
};

} // namespace igraphics
} // namespace plug
