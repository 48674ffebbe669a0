# CMake generated Testfile for 
# Source directory: /work/wt/engine/fuzz
# Build directory: /work/wt/engine/build-asan/fuzz
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
