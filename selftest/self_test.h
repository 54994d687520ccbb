// nuvixsdk --self-test: every function block of each board the driver
// reports, one result line per test, a summary, and optionally a JSON file,
// an HTML report and a JUnit XML file.
#pragma once

#include <cstdio>

#include "self_test_options.h"

// Returns the exit code: 0 nothing failed, 1 a test failed, 2 the run could
// not start (no board, no such board, an output file that cannot be written).
int RunSelfTest(const SelfTestOptions& options, std::FILE* out, std::FILE* err);
