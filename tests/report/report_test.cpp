// The report as data and its views, without a run: the recorded changes,
// the JSON file both ways, the page's escaping and self-containment, the
// diagram's lanes, the class summary.
#include <gtest/gtest.h>

#include "report/base64.h"
#include "report/html.h"
#include "report/json.h"
#include "report/recorder.h"
#include "report/summary.h"

#include <regex>
#include <sstream>

namespace {

using namespace report;

TEST(Recorder, KeepsATurnOnlyWhereASignalChangesAndTheTurnsAFaultHoldsIt) {
  change_recorder recorder({"te", "MT"});
  const int32_t values[][2] = {{0, 1}, {0, 1}, {1, 1}, {1, 0}, {1, 0}, {0, 0}};
  const bool held[][2] = {{false, false}, {false, true}, {false, true}, {false, false}, {false, false}, {false, false}};
  for (int turn = 0; turn < 6; ++turn) recorder.record(turn, values[turn], held[turn]);
  const std::vector<signal_lane>& lanes = recorder.lanes();
  ASSERT_EQ(lanes.size(), 2u);
  EXPECT_EQ(lanes[0].name, "te");
  EXPECT_EQ(lanes[0].changes, (std::vector<change>{{0, 0}, {2, 1}, {5, 0}}));
  EXPECT_TRUE(lanes[0].forced.empty());
  EXPECT_EQ(lanes[1].changes, (std::vector<change>{{0, 1}, {3, 0}}));
  EXPECT_EQ(lanes[1].forced, (std::vector<change>{{1, 1}, {3, 0}}));
}

TEST(Base64, EncodesAndDecodesTheStandardsVectorsAndRefusesOtherText) {
  const std::pair<const char*, const char*> vectors[] = {
      {"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"}, {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="},
      {"foobar", "Zm9vYmFy"}};
  for (const auto& [plain, coded] : vectors) {
    EXPECT_EQ(base64_encoded(plain), coded);
    EXPECT_EQ(base64_decoded(coded), plain);
  }
  const std::string bytes("\x00\xff\x80\x7f\n", 5);
  EXPECT_EQ(base64_decoded(base64_encoded(bytes)), bytes);
  for (const char* wrong : {"Zg=", "Z===", "Zg=a", "Zm9v!A==", "=Zm9"})
    EXPECT_THROW(base64_decoded(wrong), std::invalid_argument) << wrong;
}

// A run with something in every field.
run_report full_report() {
  run_report r;
  r.controller = "./ctl -x";
  r.scenario_file = "results/s.scn";
  r.date = "2024-05-02T14:03:11+0200";
  r.verdict = "FAILED";
  r.problem = "controller ended at turn 200 (exit status 3)";
  r.lockstep = true;
  r.turns = 201;
  r.simulated = 1000000;
  r.wall_seconds = 0.25;
  r.late_answers = 2;
  statement passed;
  passed.line = 3;
  passed.text = "never SORT and RENT";
  statement failed;
  failed.line = 4;
  failed.text = "expect not MT within 0.01 after rise(atu)";
  failed.result = status::failed;
  failed.observed = "triggered in turn 100 (0.5 s), not met by its deadline (0.51 s)";
  failed.turn = 103;
  failed.time = 515000;
  failed.values = {{"MT", 1}, {"atu", 1}};
  failed.trigger_turn = 100;
  failed.trigger_time = 500000;
  failed.deadline = 510000;
  statement open = passed;
  open.line = 5;
  open.result = status::open;
  open.observed = "triggered in turn 190";
  r.statements = {passed, failed, open};
  r.diagram.turns = 201;
  r.diagram.lanes = {{"MT", {{0, 0}, {10, 1}, {150, 0}}, {{120, 1}, {140, 0}}}};
  r.diagram.messages = {{12, "TRANSFERT"}, {90, " DESTRUCTION"}};
  r.diagram.faults = {{120, 139, "at 0.6 fault MT = 0 for 0.1", "MT = 0", "MT", 2}};
  r.diagram.actions = {{100, 199, "at 0.5 press ATU for 0.5", "ATU", "", 1}};
  r.pictures = {{"the first failure, turn 103", 103, std::string("\x89PNG\r\n\x1a\n\0\xff", 10)}};
  r.files = {{"report", "results/a.html"}, {"trace", "/elsewhere/t.vcd"}};
  return r;
}

TEST(Json, AReportReadBackHoldsEverythingWrittenWithFilesSeenFromTheJsonFolder) {
  run_report r = full_report();
  exploration e;
  e.seed = 18446744073709551615ull;
  e.runs = 100;
  e.runs_made = 7;
  e.minimal_file = "results/s.fail.scn";
  e.minimal_text = "at 3 press DC for 0.005\nend 4\n";
  e.confirmation = "it fails the same way when run alone";
  e.minimal_run.push_back(full_report());
  r.explored.push_back(e);

  const std::string text = json_text(r, "results", true);
  EXPECT_NE(text.find("\"report\":\"a.html\""), std::string::npos) << text;
  EXPECT_NE(text.find("\"trace\":\"/elsewhere/t.vcd\""), std::string::npos) << text;
  // Read from where the file is, paths lead to the same files as before.
  const run_report back = parse_json(text, "results");
  EXPECT_EQ(back.files, r.files);
  EXPECT_EQ(back.scenario_file, "results/s.scn");
  EXPECT_EQ(back.controller, r.controller);
  EXPECT_EQ(back.verdict, "FAILED");
  EXPECT_EQ(back.problem, r.problem);
  EXPECT_EQ(back.turns, 201);
  EXPECT_EQ(back.simulated, 1000000);
  EXPECT_EQ(back.late_answers, 2);
  ASSERT_EQ(back.statements.size(), 3u);
  const statement& f = back.statements[1];
  EXPECT_EQ(f.result, status::failed);
  EXPECT_EQ(f.turn, 103);
  EXPECT_EQ(f.time, 515000);
  EXPECT_EQ(f.values, r.statements[1].values);
  EXPECT_EQ(f.trigger_turn, 100);
  EXPECT_EQ(f.trigger_time, 500000);
  EXPECT_EQ(f.deadline, 510000);
  EXPECT_EQ(back.statements[2].result, status::open);
  EXPECT_EQ(back.statements[0].turn, -1);
  ASSERT_EQ(back.diagram.lanes.size(), 1u);
  EXPECT_EQ(back.diagram.lanes[0].changes, r.diagram.lanes[0].changes);
  EXPECT_EQ(back.diagram.lanes[0].forced, r.diagram.lanes[0].forced);
  ASSERT_EQ(back.diagram.messages.size(), 2u);
  EXPECT_EQ(back.diagram.messages[1].text, " DESTRUCTION");
  ASSERT_EQ(back.diagram.faults.size(), 1u);
  EXPECT_EQ(back.diagram.faults[0].signal, "MT");
  EXPECT_EQ(back.diagram.faults[0].to_turn, 139);
  EXPECT_EQ(back.diagram.actions[0].label, "ATU");
  ASSERT_EQ(back.pictures.size(), 1u);
  EXPECT_EQ(back.pictures[0].png, r.pictures[0].png);
  ASSERT_EQ(back.explored.size(), 1u);
  EXPECT_EQ(back.explored[0].seed, e.seed);
  EXPECT_EQ(back.explored[0].minimal_file, "results/s.fail.scn");
  EXPECT_EQ(back.explored[0].minimal_text, e.minimal_text);
  ASSERT_EQ(back.explored[0].minimal_run.size(), 1u);
  EXPECT_EQ(back.explored[0].minimal_run[0].statements[1].turn, 103);
}

TEST(Json, PicturesAreLeftOutUnlessAskedForAndBadBytesBecomeReplacementCharacters) {
  run_report r = full_report();
  r.diagram.messages = {{5, "caf\xe9 \xff"}};
  const std::string text = json_text(r, "", false);
  EXPECT_EQ(text.find("\"pictures\""), std::string::npos);
  const run_report back = parse_json(text, "");
  EXPECT_TRUE(back.pictures.empty());
  EXPECT_EQ(back.diagram.messages[0].text, "caf\xef\xbf\xbd \xef\xbf\xbd");
}

TEST(Json, WhatIsNotAReportOfThisVersionIsRefusedWithItsReason) {
  const std::string good = json_text(full_report(), "", true);
  const std::pair<std::string, std::string> wrong[] = {
      {"{\"format\":", "parse error"},
      {"[1,2]", "not a corvan-run report"},
      {"{\"format\":\"something else\"}", "not a corvan-run report"},
      {std::regex_replace(good, std::regex("\"version\":1"), "\"version\":2"), "a report of version 2"},
      {std::regex_replace(good, std::regex("\"verdict\":\"FAILED\","), ""), "verdict"},
      {std::regex_replace(good, std::regex("\"status\":\"open\""), "\"status\":\"maybe\""), "unknown status"},
      {std::regex_replace(good, std::regex("\"png\":\"[^\"]*\""), "\"png\":\"@@@@\""), "base64"}};
  EXPECT_NO_THROW(parse_json(good, ""));
  for (const auto& [text, reason] : wrong) {
    try {
      parse_json(text, "");
      ADD_FAILURE() << "accepted: " << text.substr(0, 80);
    } catch (const read_error& e) {
      EXPECT_NE(std::string(e.what()).find(reason), std::string::npos) << e.what();
    }
  }
}

TEST(Json, APathSeenFromAFolderIsRelativeInsideItAndAbsoluteOutside) {
  EXPECT_EQ(path_from("results", "results/a.html"), "a.html");
  EXPECT_EQ(path_from("results", "results/sub/../b.json"), "b.json");
  EXPECT_EQ(path_from("", "a.html"), "a.html");
  EXPECT_EQ(path_from("results", "/dev/null"), "/dev/null");
  EXPECT_EQ(path_from("results", ""), "");
  EXPECT_EQ(path_from("/tmp/x/results", "/tmp/x/other/a.html"), "/tmp/x/other/a.html");
}

std::string page_of(const run_report& r) {
  std::ostringstream out;
  write_html(out, r, "");
  return out.str();
}

TEST(Page, UserTextIsEscapedAndTheOnlyScriptIsOurs) {
  run_report r = full_report();
  r.controller = "./ctl \"<b>\"";
  r.diagram.messages = {{5, "</text><script>alert(1)</script>"}};
  r.statements[1].text = "expect \"<&>\" within 1 after 'x'";
  r.statements[1].observed = "<img src=x onerror=alert(2)>";
  const std::string page = page_of(r);
  EXPECT_EQ(page.find("alert(1)</script>"), std::string::npos);
  EXPECT_EQ(page.find("<img src=x"), std::string::npos);
  EXPECT_NE(page.find("&lt;/text&gt;&lt;script&gt;alert(1)&lt;/script&gt;"), std::string::npos);
  EXPECT_NE(page.find("expect &quot;&lt;&amp;&gt;&quot; within 1 after &#39;x&#39;"), std::string::npos);
  EXPECT_EQ(std::count(page.begin(), page.end(), '\0'), 0);
  std::smatch m;
  std::string rest = page;
  int scripts = 0;
  while (std::regex_search(rest, m, std::regex("<script"))) ++scripts, rest = m.suffix();
  EXPECT_EQ(scripts, 1);
}

TEST(Page, NeedsNothingOutsideItself) {
  const std::string page = page_of(full_report());
  // Every picture is inside the page; no link, style sheet or script is
  // fetched from anywhere.
  std::smatch m;
  std::string rest = page;
  int pictures = 0;
  while (std::regex_search(rest, m, std::regex("src=\"([a-z]*):"))) {
    EXPECT_EQ(m[1], "data");
    ++pictures;
    rest = m.suffix();
  }
  EXPECT_EQ(pictures, 1);
  EXPECT_EQ(page.find("<link"), std::string::npos);
  EXPECT_EQ(page.find("@import"), std::string::npos);
  EXPECT_EQ(page.find("url(http"), std::string::npos);
  EXPECT_EQ(page.find("href=\"http"), std::string::npos);
}

// The lane's path: one horizontal and one vertical step per change, never
// one per turn.
TEST(Page, ALaneIsDrawnFromItsChangesAlone) {
  run_report r = full_report();
  r.turns = r.diagram.turns = 720000;
  r.diagram.lanes[0].changes = {{0, 0}, {100000, 1}, {100001, 0}, {719999, 1}};
  const std::string page = page_of(r);
  std::smatch m;
  ASSERT_TRUE(std::regex_search(page, m, std::regex("class=\"wave\" data-signal=\"MT\" d=\"([^\"]*)\"")));
  const std::string d = m[1];
  EXPECT_EQ(std::count(d.begin(), d.end(), 'h'), 3) << d;
  EXPECT_EQ(std::count(d.begin(), d.end(), 'V'), 3) << d;
  EXPECT_NE(d.find("h100000V"), std::string::npos) << d;
  EXPECT_EQ(d.substr(d.size() - 7), "H720000") << d;
}

// An output chattering at every turn of an hour: its busy stretch is one
// block, the changes around it stay exact, and the page stays small.
TEST(Page, ALaneChangingAtEveryTurnIsDrawnAsABlockWhereItsChangesCrowd) {
  run_report r = full_report();
  r.turns = r.diagram.turns = 720000;
  std::vector<change>& changes = r.diagram.lanes[0].changes;
  changes = {{0, 0}, {1000, 1}, {2000, 0}};
  for (int turn = 10000; turn < 700000; ++turn) changes.push_back({turn, turn % 2});
  changes.push_back({710000, 1});
  const std::string page = page_of(r);
  EXPECT_LT(page.size(), 100000u);
  std::smatch m;
  ASSERT_TRUE(std::regex_search(page, m, std::regex("class=\"busy\" d=\"([^\"]*)\"")));
  EXPECT_EQ(m[1], "M10000 27H699999V41H10000Z");
  ASSERT_TRUE(std::regex_search(page, m, std::regex("class=\"wave\" data-signal=\"MT\" d=\"([^\"]*)\"")));
  EXPECT_EQ(m[1], "M0 41h1000V27h1000V41H10000M699999 27h10001V27H720000");
}

TEST(Page, EachFailedStatementHasAMarkerAtItsTurnAndItsRowLeadsThere) {
  const std::string page = page_of(full_report());
  EXPECT_NE(page.find("<line class=\"failure\" id=\"run-fail-1\" x1=\"103\" x2=\"103\""), std::string::npos);
  EXPECT_NE(page.find("data-marker=\"run-fail-1\""), std::string::npos);
  EXPECT_EQ(page.find("run-fail-0"), std::string::npos);  // passed
  EXPECT_EQ(page.find("run-fail-2"), std::string::npos);  // open
  // The within's span from its trigger to its deadline (0.51 s: turn 102).
  EXPECT_NE(page.find("<rect class=\"within-span\" x=\"100\" y=\"22\" width=\"2\""), std::string::npos);
}

summary_entry entry(const std::string& controller, std::vector<status> results, const std::string& report = "") {
  summary_entry e;
  e.json_file = controller + ".json";
  e.run.controller = controller;
  bool all = true;
  for (size_t i = 0; i < results.size(); ++i) {
    statement s;
    s.line = int(i) + 1;
    s.text = "statement " + std::to_string(i + 1);
    s.result = results[i];
    all = all && results[i] != status::failed;
    e.run.statements.push_back(s);
  }
  e.run.verdict = all ? "PASSED" : "FAILED";
  if (!report.empty()) e.run.files = {{"report", report}};
  return e;
}

TEST(Summary, ARowPerControllerACellPerStatementWithTotalsAndLinks) {
  std::vector<summary_entry> entries = {
      entry("alice", {status::passed, status::failed, status::passed}, "out/alice.html"),
      entry("bob", {status::failed, status::failed, status::open}),
      entry("carol", {status::passed, status::passed}, "out/carol.html")};
  summary_entry broken;
  broken.json_file = "dave.json";
  broken.error = "dave.json: not a corvan-run report";
  entries.push_back(broken);
  std::ostringstream out;
  write_summary(out, entries, "out");
  const std::string page = out.str();
  EXPECT_NE(page.find("<a href=\"alice.html#run-fail-1\">fail</a>"), std::string::npos);
  EXPECT_NE(page.find("<a href=\"alice.html\">pass</a>"), std::string::npos);
  EXPECT_NE(page.find("<a href=\"alice.html\"><code>alice</code></a>"), std::string::npos);
  EXPECT_NE(page.find("<code>bob</code>"), std::string::npos);
  EXPECT_NE(page.find("title=\"dave.json: not a corvan-run report\">UNREADABLE"), std::string::npos);
  // carol's scenario had no third statement.
  EXPECT_NE(page.find("<td data-sort=\"3\">&mdash;</td>"), std::string::npos);
  // Failures per statement: 1, 2, 0; the most failed first below.
  EXPECT_NE(page.find("<td title=\"2 passed, 1 failed, 0 open\">1</td><td title=\"1 passed, 2 failed, 0 open\">2"
                      "</td><td title=\"1 passed, 0 failed, 1 open\">0</td>"),
            std::string::npos)
      << page;
  const size_t worst = page.find("the most often failed first");
  ASSERT_NE(worst, std::string::npos);
  EXPECT_LT(page.find("statement 2", worst), page.find("statement 1", worst));
  EXPECT_LT(page.find("statement 1", worst), page.find("statement 3", worst));
}

}  // namespace
