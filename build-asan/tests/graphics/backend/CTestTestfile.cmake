# CMake generated Testfile for 
# Source directory: /work/wt/core/tests/graphics/backend
# Build directory: /work/wt/core/build-asan/tests/graphics/backend
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
