# CMake generated Testfile for 
# Source directory: /work/wt/core/tests/support
# Build directory: /work/wt/core/build-asan/tests/support
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
