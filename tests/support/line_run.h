// What a run of the line printed and left behind, for the end-to-end tests
// of every program that drives it.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

std::vector<std::string> file_lines(const std::string& path);
std::vector<std::string> text_lines(const std::string& text);
// Index of the n-th (from 0) line equal to line, or -1.
int nth_line(const std::vector<std::string>& lines, const std::string& line, int n);
// System V segments whose creator is pid.
int segments_created_by(pid_t pid);
// Each of the workpieces transferred, glued, given its lid (off the pusher,
// onto the cup, let go) and pressed out, in that order, and no more glued or
// lidded; gtest checks.
void expect_workpieces_in_order(const std::vector<std::string>& lines, int workpieces);
