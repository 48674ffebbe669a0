# The resampler's costs: 2x and 4x round trips against libsoxr and libsamplerate, filter design, chain set-up.
find_library(DROVIK_SOXR soxr)
find_library(DROVIK_SAMPLERATE samplerate)
if(DROVIK_SOXR AND DROVIK_SAMPLERATE)
  drovik_add_benchmark(resampler_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/resampler_bench.cpp
    LIBS dsp_resampler test_support_headers ${DROVIK_SOXR} ${DROVIK_SAMPLERATE})
endif()
