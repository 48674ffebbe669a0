// The resampler library's process-wide state and its teardown at exit.
#include "library_state.h"

#include "fir_filter.h"
#include "frac_interpolator.h"
#include "real_fft.h"

#include <cstdlib>

namespace resamp {

LibraryState::~LibraryState()
{
  for (RealFft*& head : freeFfts) {
    while (head) {
      RealFft* next = head->next;
      RealFft::Destroy(head);
      head = next;
    }
  }
  while (filters) {
    FirFilter* next = filters->next;
    filters->~FirFilter();
    std::free(filters);
    filters = next;
  }
  for (FracFilterBank** list : { &staticBanks, &recentBanks }) {
    while (*list) {
      FracFilterBank* next = (*list)->next;
      (*list)->~FracFilterBank();
      std::free(*list);
      *list = next;
    }
  }
}

LibraryState& State()
{
  static LibraryState state;
  return state;
}

} // namespace resamp
