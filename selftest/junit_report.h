// The self-test's results for CI systems as JUnit XML: one testsuite per
// board, one testcase per test (classname the block), a failure or skipped
// element with the reason, and the test's log lines as its system-out.
#pragma once

#include <string>

#include "self_test_report.h"

std::string JUnitReport(const SelfTestReport& report);
