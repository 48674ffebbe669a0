#include "Filter.h"

namespace Dsp {

Filter::~Filter() = default;

FilterParams Filter::GetDefaultParams() const
{
  FilterParams params;
  const int n = GetNumParams();
  for (int i = 0; i < n; ++i)
    params[i] = GetParamInfo(i).defaultValue;
  return params;
}

int Filter::IndexOfParamId(int id) const
{
  for (int i = GetNumParams() - 1; i >= 0; --i)
  {
    if (GetParamInfo(i).id == id)
      return i;
  }
  return -1;
}

void Filter::SetParamValueById(int id, double value)
{
  const int index = IndexOfParamId(id);
  if (index < 0)
    return;
  mParams[index] = value;
  DoSetParams(mParams);
}

void Filter::AdoptParamsFrom(const Filter* other)
{
  mParams = GetDefaultParams();
  if (other != nullptr)
  {
    const int own = GetNumParams();
    const int theirs = other->GetNumParams();
    for (int i = 0; i < own; ++i)
    {
      const ParamInfo info = GetParamInfo(i);
      for (int j = 0; j < theirs; ++j)
      {
        if (other->GetParamInfo(j).id == info.id)
        {
          mParams[i] = info.Clamp(other->GetParams()[j]);
          break;
        }
      }
    }
  }
  DoSetParams(mParams);
}

} // namespace Dsp
