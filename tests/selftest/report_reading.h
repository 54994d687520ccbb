// The self-test's HTML report and JUnit file read back as XML, and held
// against the JSON file of the same run.
#pragma once

#include <QJsonObject>
#include <map>
#include <set>
#include <string>
#include <vector>

// What the page shows of one test.
struct PageTest {
  std::string verdict;
  int plots = 0;           // inline SVG documents
  std::set<int> channels;  // the channels its figures name
};

struct PageReading {
  std::string error;  // empty when the page is well-formed XML
  std::vector<std::map<std::string, PageTest>> boards;  // per board, "block/test" -> what it shows
  std::set<std::string> repeatedIds, danglingLinks;
};

PageReading ReadPage(const std::string& page);

struct JUnitCase {
  std::map<std::string, std::string> attributes;
  std::map<std::string, std::string> children;  // failure, skipped: their message; system-out: its text
};

struct JUnitSuite {
  std::map<std::string, std::string> attributes;
  std::vector<JUnitCase> cases;
};

struct JUnitReading {
  std::string error, root;
  std::vector<JUnitSuite> suites;
};

JUnitReading ReadJUnit(const std::string& xml);

// Both files say what the JSON file says: the same boards and tests with the
// same verdicts, reasons, times and log lines, and one plot per measured channel.
void ExpectReportsAgreeWithJson(const QJsonObject& json, const std::string& page, const std::string& junit);
