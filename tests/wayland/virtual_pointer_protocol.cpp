// The scanner's tables of the virtual pointer protocol, built as C++: the header's extern "C"
// declarations come first, so that the const tables keep external C linkage.
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"
// clang-format off
#include "wlr-virtual-pointer-unstable-v1-protocol.c"
// clang-format on
