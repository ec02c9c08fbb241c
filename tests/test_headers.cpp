// The owner of the headers the tests without Qt precompile (tests/CMakeLists.txt).
