# CMake generated Testfile for 
# Source directory: /work/wt/engine/tests/dsp
# Build directory: /work/wt/engine/build-asan/tests/dsp
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
