#include <gtest/gtest.h>

#include "tests/support/line_run.h"

#include "tests/support/process.h"

#include <fstream>
#include <sstream>

std::vector<std::string> file_lines(const std::string& path) { return text_lines(read_file(path)); }

std::vector<std::string> text_lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  return lines;
}

int nth_line(const std::vector<std::string>& lines, const std::string& line, int n) {
  for (size_t i = 0; i < lines.size(); ++i)
    if (lines[i] == line && n-- == 0) return static_cast<int>(i);
  return -1;
}

int segments_created_by(pid_t pid) {
  std::ifstream in("/proc/sysvipc/shm");
  std::string header;
  std::getline(in, header);
  int count = 0;
  long key, id, perms, size, cpid;
  while (in >> key >> id >> perms >> size >> cpid) {
    if (cpid == pid) ++count;
    in.ignore(1 << 16, '\n');
  }
  return count;
}

void expect_workpieces_in_order(const std::vector<std::string>& l, int workpieces) {
  for (int k = 0; k < workpieces; ++k) {
    SCOPED_TRACE("workpiece " + std::to_string(k + 1));
    int transfer = nth_line(l, "TRANSFERT", k), glue = nth_line(l, "PREPARATION COLLE", k),
        glued = nth_line(l, "ENCOLLAGE !", k), gone = nth_line(l, " DESTRUCTION", k);
    EXPECT_GE(transfer, 0);
    EXPECT_LT(transfer, glue);
    EXPECT_LT(glue, glued);
    EXPECT_LT(glued, gone);
    // Its lid: off the pusher, onto the cup, let go onto the glue.
    int off_pusher = nth_line(l, "cap a ete decouple de poussoir_vt", k),
        on_cup = nth_line(l, "cap a ete couple a poussoir_vv", k),
        off_cup = nth_line(l, "cap a ete decouple de poussoir_vv", k);
    EXPECT_GE(off_pusher, 0);
    EXPECT_LT(off_pusher, on_cup);
    EXPECT_LT(on_cup, off_cup);
    EXPECT_LT(off_cup, glued);
  }
  auto count = [&](const std::string& line) { return int(std::count(l.begin(), l.end(), line)); };
  EXPECT_EQ(count("ENCOLLAGE !"), workpieces);
  EXPECT_EQ(count("PREPARATION COLLE"), workpieces);
}
