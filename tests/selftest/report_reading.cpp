#include "report_reading.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QXmlStreamReader>
#include <cmath>

namespace {

std::map<std::string, std::string> Attributes(const QXmlStreamAttributes& attributes) {
  std::map<std::string, std::string> map;
  for (const QXmlStreamAttribute& a : attributes) map[a.name().toString().toStdString()] = a.value().toString().toStdString();
  return map;
}

std::string ErrorOf(const QXmlStreamReader& xml) {
  return xml.hasError() ? xml.errorString().toStdString() + " at line " + std::to_string(xml.lineNumber()) : "";
}

// The ids an attribute links to: "#id" references and url(#id) paints and clips.
void CollectLinks(const std::map<std::string, std::string>& attributes, std::set<std::string>& links) {
  for (const auto& [name, value] : attributes) {
    if (name == "href" && value.rfind('#', 0) == 0) links.insert(value.substr(1));
    for (size_t at = value.find("url(#"); at != std::string::npos; at = value.find("url(#", at + 1))
      links.insert(value.substr(at + 5, value.find(')', at) - at - 5));
  }
}

// The channels a test's measurements name: one plot each, plus one per single series.
PageTest Expected(const QJsonObject& test) {
  PageTest expected;
  expected.verdict = test["result"].toString().toStdString();
  const QJsonObject measured = test["measurements"].toObject();
  for (const char* list : {"frameIntervals", "audio"})
    for (const auto& channel : measured[list].toArray()) {
      expected.channels.insert(channel.toObject()["channel"].toInt(-1));
      ++expected.plots;
    }
  for (const char* single : {"refillIntervals", "roundTrips", "ioMap"}) expected.plots += measured.contains(single) ? 1 : 0;
  return expected;
}

}  // namespace

PageReading ReadPage(const std::string& page) {
  PageReading reading;
  QXmlStreamReader xml(QByteArray::fromStdString(page));
  std::set<std::string> ids, links;
  PageTest* test = nullptr;
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement) continue;
    const std::string name = xml.name().toString().toStdString();
    std::map<std::string, std::string> attributes = Attributes(xml.attributes());
    if (attributes.count("id") && !ids.insert(attributes["id"]).second) reading.repeatedIds.insert(attributes["id"]);
    CollectLinks(attributes, links);
    if (name == "section" && attributes["class"] == "board") {
      reading.boards.emplace_back();
    } else if (name == "section" && attributes.count("data-test")) {
      if (reading.boards.empty()) reading.boards.emplace_back();
      test = &reading.boards.back()[attributes["data-test"]];
      test->verdict = attributes["data-verdict"];
    } else if (test && name == "figure" && attributes.count("data-channel")) {
      test->channels.insert(std::stoi(attributes["data-channel"]));
    } else if (test && name == "svg") {
      ++test->plots;
    }
  }
  reading.error = ErrorOf(xml);
  for (const std::string& link : links)
    if (!ids.count(link)) reading.danglingLinks.insert(link);
  return reading;
}

JUnitReading ReadJUnit(const std::string& text) {
  JUnitReading reading;
  QXmlStreamReader xml(QByteArray::fromStdString(text));
  std::vector<std::string> open;  // the elements we are in
  const auto inside = [&](const char* parent) { return !open.empty() && open.back() == parent; };
  while (!xml.atEnd()) {
    const QXmlStreamReader::TokenType token = xml.readNext();
    if (token == QXmlStreamReader::EndElement) open.pop_back();
    if (token != QXmlStreamReader::StartElement) continue;
    const std::string name = xml.name().toString().toStdString();
    std::map<std::string, std::string> attributes = Attributes(xml.attributes());
    if (open.empty()) {
      reading.root = name;
    } else if (name == "testsuite" && inside("testsuites")) {
      reading.suites.push_back({attributes, {}});
    } else if (name == "testcase" && inside("testsuite")) {
      reading.suites.back().cases.push_back({attributes, {}});
    } else if (inside("testcase")) {
      auto& children = reading.suites.back().cases.back().children;
      if (name == "system-out") {
        children[name] = xml.readElementText().toStdString();
        continue;  // its end is read
      }
      children[name] = attributes["message"];
    } else if (!inside("properties") && !inside("testsuite")) {
      reading.error = "misplaced " + name;
    }
    open.push_back(name);
  }
  if (reading.error.empty()) reading.error = ErrorOf(xml);
  return reading;
}

void ExpectReportsAgreeWithJson(const QJsonObject& json, const std::string& page, const std::string& junit) {
  const PageReading shown = ReadPage(page);
  ASSERT_EQ(shown.error, "") << "the page is not well-formed";
  EXPECT_TRUE(shown.repeatedIds.empty()) << "id used twice: " << *shown.repeatedIds.begin();
  EXPECT_TRUE(shown.danglingLinks.empty()) << "link to no id: " << *shown.danglingLinks.begin();
  const JUnitReading ci = ReadJUnit(junit);
  ASSERT_EQ(ci.error, "") << junit.substr(0, 2000);
  EXPECT_EQ(ci.root, "testsuites");
  const QJsonArray boards = json["boards"].toArray();
  ASSERT_EQ(shown.boards.size(), static_cast<size_t>(boards.size()));
  ASSERT_EQ(ci.suites.size(), static_cast<size_t>(boards.size()));
  for (qsizetype b = 0; b < boards.size(); ++b) {
    const QJsonArray tests = boards[b].toObject()["tests"].toArray();
    const JUnitSuite& suite = ci.suites[static_cast<size_t>(b)];
    std::map<std::string, int> verdicts;
    ASSERT_EQ(suite.cases.size(), static_cast<size_t>(tests.size()));
    for (qsizetype t = 0; t < tests.size(); ++t) {
      const QJsonObject test = tests[t].toObject();
      const std::string key = (test["block"].toString() + "/" + test["test"].toString()).toStdString();
      SCOPED_TRACE("board " + std::to_string(b) + " " + key);
      const std::string verdict = test["result"].toString().toStdString(), text = test["text"].toString().toStdString();
      ++verdicts[verdict];
      const auto found = shown.boards[static_cast<size_t>(b)].find(key);
      ASSERT_NE(found, shown.boards[static_cast<size_t>(b)].end()) << "not on the page";
      const PageTest expected = Expected(test);
      EXPECT_EQ(found->second.verdict, verdict);
      EXPECT_EQ(found->second.plots, expected.plots);
      EXPECT_EQ(found->second.channels, expected.channels);

      JUnitCase testCase = suite.cases[static_cast<size_t>(t)];
      EXPECT_EQ(testCase.attributes["classname"], test["block"].toString().toStdString());
      EXPECT_EQ(testCase.attributes["name"], test["test"].toString().toStdString());
      EXPECT_EQ(std::lround(std::stod(testCase.attributes["time"]) * 1000), test["ms"].toInteger());
      EXPECT_EQ(testCase.children.count("failure"), verdict == "FAIL" ? 1u : 0u);
      EXPECT_EQ(testCase.children.count("skipped"), verdict == "SKIP" ? 1u : 0u);
      if (verdict != "OK") {
        EXPECT_EQ(testCase.children[verdict == "FAIL" ? "failure" : "skipped"], text);
      }
      std::string log;
      for (const auto& line : test["log"].toArray()) log += line.toString().toStdString() + "\n";
      EXPECT_EQ(testCase.children["system-out"], log);
    }
    std::map<std::string, std::string> totals = suite.attributes;
    EXPECT_EQ(totals["tests"], std::to_string(tests.size()));
    EXPECT_EQ(totals["failures"], std::to_string(verdicts["FAIL"]));
    EXPECT_EQ(totals["skipped"], std::to_string(verdicts["SKIP"]));
  }
}
