// An editor delegate for graphics tests: parameters made by the test, the host side of gestures, values and
// resizes recorded in order, and size limits set by the test.
#pragma once

#include <string>
#include <vector>

#include "core/IEditorDelegate.h"

namespace graphicstest {

class TestDelegate : public plug::igraphics::IGEditorDelegate
{
public:
  /// nParams linear 0..1 double parameters; limits 0..1e6 unless set.
  explicit TestDelegate(int nParams = 4) : IGEditorDelegate(nParams)
  {
    for (int i = 0; i < nParams; ++i)
      GetParam(i)->InitDouble(("p" + std::to_string(i)).c_str(), 0.0, 0.0, 1.0, 0.001);
    SetSizeConstraints(0, 1000000, 0, 1000000);
  }

  /// Every call toward the host and the resize requests, in order: "begin 3", "value 3 0.5", "end 3",
  /// "resize 936x900 1".
  std::vector<std::string> mLog;
  std::vector<std::pair<int, double>> mValuesFromUI;
  bool mResizeAnswer = true;
  int mUIOpens = 0, mUICloses = 0;
  std::function<void()> mOnUIClose;

  void BeginInformHostOfParamChangeFromUI(int idx) override { mLog.push_back("begin " + std::to_string(idx)); }
  void EndInformHostOfParamChangeFromUI(int idx) override { mLog.push_back("end " + std::to_string(idx)); }
  void SendParamValueFromUI(int idx, double normalized) override
  {
    mValuesFromUI.push_back({idx, normalized});
    mLog.push_back("value " + std::to_string(idx));
    IGEditorDelegate::SendParamValueFromUI(idx, normalized);
  }
  bool EditorResizeFromUI(int width, int height, bool needsPlatformResize) override
  {
    mLog.push_back("resize " + std::to_string(width) + "x" + std::to_string(height) + " " +
                   std::to_string(needsPlatformResize));
    return mResizeAnswer;
  }
  void OnUIOpen() override
  {
    ++mUIOpens;
    IGEditorDelegate::OnUIOpen();
  }
  void OnUIClose() override
  {
    ++mUICloses;
    if (mOnUIClose)
      mOnUIClose();
  }
  int Count(const std::string& entry) const
  {
    int n = 0;
    for (const auto& e : mLog)
      n += e == entry;
    return n;
  }
};

} // namespace graphicstest
