# CMake generated Testfile for 
# Source directory: /work/wt/engine/tests
# Build directory: /work/wt/engine/build-asan/tests
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
subdirs("core")
subdirs("dsp")
subdirs("effect")
subdirs("graphics")
subdirs("shim")
subdirs("support")
