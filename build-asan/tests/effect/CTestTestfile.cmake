# CMake generated Testfile for 
# Source directory: /work/wt/engine/tests/effect
# Build directory: /work/wt/engine/build-asan/tests/effect
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
subdirs("dsp")
