// CMake reads the test listing of each test program on the build machine and
// splits it at LF, so a CR before each would end up in the test names: the
// test programs write their standard output in binary mode.
#include <fcntl.h>
#include <io.h>

#include <cstdio>

namespace {

[[maybe_unused]] const int kBinaryStdout = _setmode(_fileno(stdout), _O_BINARY);

}  // namespace
