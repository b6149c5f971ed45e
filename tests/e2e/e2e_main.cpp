// Entry point of the end-to-end test program: wmain, so that Japanese arguments of helper child
// processes arrive intact; the harness decides between a child role and the GoogleTest run.
#include "harness.h"

int wmain(int argc, wchar_t** argv) { return e2e::RunChildOrTests(argc, argv); }
