// Writes a paged message as a PostScript or a PDF 1.4 document: Times-Roman
// 7 points, 10 points a line, 77 visible lines a page, 612 x 792 points.
#pragma once

#include "forms/message_lines.h"

#include <ostream>
#include <string>
#include <vector>

class OFD_afficheur_filtre_impression {
 public:
  OFD_afficheur_filtre_impression(std::string* lines = nullptr, int n = 0);

  // The line's type, as the free function of the line language gives it.
  static int typeligne(const std::string& line);

  void imprime_postscript(std::ostream& f);
  void imprime_pdf(std::ostream& f);

  void begin_postscript(std::ostream& f);
  void postscript(std::ostream& f, const std::string& line);
  // n: number of the page break, from 1.
  void next_page_postscript(std::ostream& f, int n);
  void end_postscript(std::ostream& f);

  void begin_pdf(std::ostream& f);
  void pdf(std::ostream& f, const std::string& line);
  void next_page_pdf(std::ostream& f, int);
  void end_pdf(std::ostream& f);

  std::string* lines;  // not owned
  int line_count;
  int ps_top = 800;   // baseline of line 0, PostScript
  int pdf_top = 780;  // baseline of line 0, PDF
  int pdf_page_counter = 0;
  int left_margin = 40;
  int widths[max_columns] = {};  // in characters
  char rule_flags[max_columns] = {};
  int current_line = 1;
  int block_start = 1;

 private:
  struct output_format;
  static const output_format postscript_format;
  static const output_format pdf_format;
  void each_line(void (OFD_afficheur_filtre_impression::*line)(std::ostream&, const std::string&),
                 void (OFD_afficheur_filtre_impression::*page_break)(std::ostream&, int),
                 std::ostream& f);
  int column_left(int k) const;
  std::string rules(const output_format& out, const char* indent) const;
  std::string interpret(const std::string& line, const output_format& out);

  // PDF bookkeeping: the current page's content is held until the page is
  // complete so that its length can be written before it.
  void put(std::ostream& f, const std::string& s);
  void begin_object(std::ostream& f, int number);
  void put_page_object(std::ostream& f, int number);
  void put_content(std::ostream& f);
  long written_ = 0;
  std::vector<long> offsets_;  // by object number, -1 when not written
  std::string content_;
  int content_object_ = 0;
};
