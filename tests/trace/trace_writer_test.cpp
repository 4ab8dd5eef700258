// Traces as the wave viewers and spreadsheets that read them expect.
#include <gtest/gtest.h>

#include "tests/support/process.h"
#include "trace/trace_writer.h"

#include <unistd.h>

#include <map>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace {

class TraceWriter : public ::testing::Test {
 protected:
  void TearDown() override {
    for (const auto& p : {vcd, csv, fst, back}) unlink(p.c_str());
  }
  // Three samples: everything at 0, a change of one input, then nothing.
  void write_small_trace() {
    trace_writer trace(vcd, csv);
    const int dc = trace.add_variable("inputs", "dc");
    const int mt = trace.add_variable("outputs", "MT");
    const int forced = trace.add_variable("forced", "dc", 1, "forced.dc");
    trace.set(mt, 1);
    trace.sample(0, 1);
    trace.set(dc, 1);
    trace.set(forced, 1);
    trace.sample(5000, 2);
    trace.sample(10000, 3);
    trace.set(mt, 0);
    trace.sample(10000, 4);  // same time: no second time mark
  }

  std::string vcd = temp_path("trace.vcd"), csv = temp_path("trace.csv");
  std::string fst = temp_path("trace.fst"), back = temp_path("back.vcd");
};

// Changes by variable and time, the last value of a time winning, from any
// VCD text: what a viewer would show.
std::map<std::pair<std::string, uint64_t>, uint64_t> changes_of(const std::string& text) {
  std::map<std::string, std::string> names;  // identifier -> scope.name
  std::map<std::pair<std::string, uint64_t>, uint64_t> changes;
  std::vector<std::string> scopes;
  std::istringstream in(text);
  uint64_t time = 0;
  for (std::string word; in >> word;) {
    if (word == "$scope") {
      std::string kind, name;
      in >> kind >> name;
      scopes.push_back(name);
    } else if (word == "$upscope") {
      scopes.pop_back();
    } else if (word == "$var") {
      std::string kind, width, code, name;
      in >> kind >> width >> code >> name;
      names[code] = scopes.back() + "." + name;
    } else if (word[0] == '#') {
      time = std::stoull(word.substr(1));
    } else if (word[0] == 'b') {
      std::string code;
      in >> code;
      changes[{names[code], time}] = std::stoull(word.substr(1), nullptr, 2);
    } else if (word[0] == '0' || word[0] == '1') {
      changes[{names[word.substr(1)], time}] = uint64_t(word[0] - '0');
    }
  }
  return changes;
}

}  // namespace

TEST_F(TraceWriter, VcdDeclaresScopesAndRecordsOnlyChanges) {
  write_small_trace();
  EXPECT_EQ(read_file(vcd),
            "$version corvan trace $end\n"
            "$timescale 1 us $end\n"
            "$scope module corvan $end\n"
            "$var wire 32 ! turn $end\n"
            "$scope module inputs $end\n$var wire 1 \" dc $end\n$upscope $end\n"
            "$scope module outputs $end\n$var wire 1 # MT $end\n$upscope $end\n"
            "$scope module forced $end\n$var wire 1 $ dc $end\n$upscope $end\n"
            "$upscope $end\n$enddefinitions $end\n"
            "#0\n$dumpvars\nb1 !\n0\"\n1#\n0$\n$end\n"
            "#5000\nb10 !\n1\"\n1$\n"
            "#10000\nb11 !\nb100 !\n0#\n");
}

TEST_F(TraceWriter, CsvHasOneLinePerChangeWithTimeAndTurn) {
  write_small_trace();
  EXPECT_EQ(read_file(csv),
            "time_us,turn,signal,value\n"
            "0,1,dc,0\n0,1,MT,1\n0,1,forced.dc,0\n"
            "5000,2,dc,1\n5000,2,forced.dc,1\n"
            "10000,4,MT,0\n");
}

TEST_F(TraceWriter, WrittenAsTheRunGoesWithoutWaitingForTheEnd) {
  trace_writer trace(vcd, csv);
  const int dc = trace.add_variable("inputs", "dc");
  trace.sample(0, 1);
  trace.set(dc, 1);
  trace.sample(5000, 2);
  for (uint32_t turn = 3; turn <= 6; ++turn) trace.sample(5000 * turn, turn);
  // Still open, 20 ms of trace later: what a reader finds holds the change
  // and ends between two samples.
  const std::string text = read_file(vcd);
  EXPECT_NE(text.find("#5000\nb10 !\n1\"\n"), std::string::npos);
  const std::string flushed_last = "#20000\nb100 !\n";
  EXPECT_EQ(text.rfind(flushed_last), text.size() - flushed_last.size());
  EXPECT_NE(read_file(csv).find("5000,2,dc,1\n"), std::string::npos);
}

TEST_F(TraceWriter, TimeNeverGoesBackAndWideValuesAreMasked) {
  {
    trace_writer trace(vcd, "");
    const int two_bits = trace.add_variable("steps", "X", 2);
    trace.set(two_bits, 7);
    trace.sample(100, 1);
    trace.sample(50, 2);
  }
  const std::string text = read_file(vcd);
  EXPECT_NE(text.find("$var wire 2 \" X $end"), std::string::npos);
  EXPECT_NE(text.find("b11 \"\n"), std::string::npos);
  EXPECT_EQ(text.find("#50\n"), std::string::npos);
}

TEST_F(TraceWriter, UnwritableFileIsNamedInTheError) {
  try {
    trace_writer trace("/nonexistent-folder/t.vcd", "");
    FAIL() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("/nonexistent-folder/t.vcd"), std::string::npos);
  }
}

// GTKWave's converters read the file back and write it out again: the same
// changes at the same times must survive the round trip.
TEST_F(TraceWriter, WaveViewerToolsReadTheTraceBack) {
  if (system("command -v vcd2fst >/dev/null && command -v fst2vcd >/dev/null") != 0)
    GTEST_SKIP() << "GTKWave's vcd2fst/fst2vcd are not installed";
  write_small_trace();
  ASSERT_EQ(run_program({"/bin/sh", "-c", "vcd2fst " + vcd + " " + fst + " && fst2vcd " + fst +
                                             " > " + back},
                        30)
                .status,
            0);
  const auto original = changes_of(read_file(vcd));
  EXPECT_EQ(original.size(), 10u);
  EXPECT_EQ(changes_of(read_file(back)), original);
}
