// The files a run writes, given on a command line by option.
#pragma once

#include <string>
#include <utility>
#include <vector>

// (option, path) pairs; an empty path is an output not asked for.
using output_files = std::vector<std::pair<std::string, std::string>>;

// "" when every path names a file of its own; otherwise which two options
// name the same file: two writers on one file would spoil both.
std::string shared_output(const output_files& files);
