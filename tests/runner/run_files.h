// The files an end-to-end test of corvan-run makes, removed whatever its
// outcome.
#pragma once

#include <gtest/gtest.h>

#include "tests/support/process.h"

#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

class RunFiles : public ::testing::Test {
 protected:
  void TearDown() override {
    for (const auto& f : files) unlink(f.c_str());
  }
  std::string file(const std::string& stem) {
    files.push_back(temp_path(stem));
    return files.back();
  }
  std::string scenario_file(const std::string& text) {
    std::string path = file("run.scn");
    std::ofstream(path) << text;
    return path;
  }

  std::vector<std::string> files;
};
