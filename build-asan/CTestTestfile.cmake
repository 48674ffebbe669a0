# CMake generated Testfile for 
# Source directory: /work/wt/core
# Build directory: /work/wt/core/build-asan
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
subdirs("shim")
subdirs("core")
subdirs("dsp")
subdirs("effect")
subdirs("graphics")
subdirs("tests")
subdirs("fuzz")
