// The self-test's report for people: one page that needs nothing beside it
// (no scripts, outside files or fonts), opens offline in any browser and
// prints on A4. It shows the boards, the summary, and every test with its
// verdict, reason, time, plots of what it measured and its log lines folded
// under it. The page is also well-formed XML, so tools can read it as such.
#pragma once

#include <string>

#include "self_test_report.h"

std::string HtmlReport(const SelfTestReport& report, const std::string& standard, bool quick);
