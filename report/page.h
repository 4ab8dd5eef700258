// What the report page and the class summary share: escaping, the head
// with its style, the sorting of tables.
#pragma once

#include <ostream>
#include <string>

namespace report {

// Text made safe inside an element or a quoted attribute.
std::string html_escaped(const std::string& text);

// <!DOCTYPE html> to <body>, with the common style and the page's own.
void page_start(std::ostream& out, const std::string& title, const char* own_style);
// The scripts, then </body></html>.
void page_end(std::ostream& out, const char* script);

// Clicking a head of a table of class "sortable" sorts its rows by that
// column (again: the other way), by each cell's data-sort when it has one.
extern const char* const sort_script;

}  // namespace report
