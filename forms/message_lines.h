// The line language of paged messages, shared by the screen, text and print
// filters: line types, column lines and the cutting into pages.
#pragma once

#include <string>
#include <vector>

constexpr int max_columns = 15;
constexpr int lines_per_page = 77;

// 1: "#C" column line; 2: "#P" column line that also restarts the printed
// page's line count; 3: "#T" rule; 0: text line of "#"-separated fields.
int typeligne(const std::string& line);

// Text lines and rules take a row of the page; column lines do not.
bool visible_line(const std::string& line);

// Resets every width and flag, then reads the column definition of a
// "#C" or "#P" line: numbers ended by a space give the widths in order, a
// "T" flags the column whose width is being read or comes next.
void read_columns(const std::string& line, int widths[max_columns],
                  char flags[max_columns]);

// Index of the first line of each page: a page ends after its 77th visible
// line when another line follows. Always holds at least page 0.
std::vector<int> page_starts(const std::string* lines, int n);
