# CMake generated Testfile for 
# Source directory: /work/main
# Build directory: /work/main/build/native
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
subdirs("googletest")
subdirs("framework")
subdirs("provisioning")
subdirs("controls")
subdirs("tests")
subdirs("bench")
