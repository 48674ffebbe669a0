# CMake generated Testfile for 
# Source directory: /work/wt/core/tests
# Build directory: /work/wt/core/build-asan/tests
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
subdirs("core")
subdirs("dsp")
subdirs("graphics")
subdirs("shim")
subdirs("support")
