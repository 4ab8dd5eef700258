#include "forms/print_filter.h"

#include <algorithm>

struct OFD_afficheur_filtre_impression::output_format {
  int OFD_afficheur_filtre_impression::*top;  // baseline of line 0
  std::string (*segment)(int x1, int y1, int x2, int y2, const char* indent);
  std::string (*text)(int x, int y, const std::string& s);
};

namespace {

const int points_per_line = 10;
const int points_per_character = 5;
const char* const ps_font_setup = "a4\n/Times-Roman findfont\n7 scalefont\nsetfont\n";

std::string num(long v) { return std::to_string(v); }

std::string ps_segment(int x1, int y1, int x2, int y2, const char*) {
  return "newpath " + num(x1) + " " + num(y1) + " moveto " + num(x2) + " " +
         num(y2) + " lineto stroke \n";
}

std::string ps_text(int x, int y, const std::string& s) {
  return num(x) + " " + num(y) + " moveto (" + s + ") show\n";
}

std::string pdf_segment(int x1, int y1, int x2, int y2, const char* indent) {
  return indent + num(x1) + " " + num(y1) + " m\n" + indent + num(x2) + " " +
         num(y2) + " l\n" + "       S\n";
}

std::string pdf_text(int x, int y, const std::string& s) {
  return "   BT\n     /F1 7 Tf\n     " + num(x) + " " + num(y) + " Td\n(" + s +
         ") Tj\n   ET\n";
}

// Parentheses would end the string early and are dropped; a backslash is
// doubled so that it stands for itself instead of escaping what follows.
std::string string_literal(const std::string& field) {
  std::string s;
  for (char c : field) {
    if (c == '(' || c == ')') continue;
    if (c == '\\') s += '\\';
    s += c;
  }
  return s;
}

struct print_field {
  int column;
  std::string text;
};

// Fields of a text line as printed: each "#" ends a field, and the character
// right after it is skipped; a field keeps at most its column's width.
std::vector<print_field> print_fields(const std::string& line, const int* widths) {
  std::vector<print_field> fields;
  std::size_t start = 0;
  int column = 0;
  auto close = [&](std::size_t end) {
    std::size_t width = column < max_columns ? widths[column] : 0;
    std::string raw = start < end ? line.substr(start, std::min(width, end - start)) : "";
    std::string text = string_literal(raw);
    if (text != " ") fields.push_back({column, text});
    ++column;
  };
  for (std::size_t p = 0; p < line.size(); ++p) {
    if (line[p] != '#') continue;
    close(p);
    start = p + 2;
  }
  close(line.size());
  return fields;
}

}  // namespace

const OFD_afficheur_filtre_impression::output_format
    OFD_afficheur_filtre_impression::postscript_format{
        &OFD_afficheur_filtre_impression::ps_top, ps_segment, ps_text};
const OFD_afficheur_filtre_impression::output_format
    OFD_afficheur_filtre_impression::pdf_format{
        &OFD_afficheur_filtre_impression::pdf_top, pdf_segment, pdf_text};

OFD_afficheur_filtre_impression::OFD_afficheur_filtre_impression(std::string* lines, int n)
    : lines(lines), line_count(n) {}

int OFD_afficheur_filtre_impression::typeligne(const std::string& line) {
  return ::typeligne(line);
}

void OFD_afficheur_filtre_impression::each_line(
    void (OFD_afficheur_filtre_impression::*line)(std::ostream&, const std::string&),
    void (OFD_afficheur_filtre_impression::*page_break)(std::ostream&, int),
    std::ostream& f) {
  std::vector<int> starts = page_starts(lines, line_count);
  std::size_t next = 1;
  for (int i = 0; i < line_count; ++i) {
    (this->*line)(f, lines[i]);
    if (next < starts.size() && starts[next] == i + 1) {
      (this->*page_break)(f, static_cast<int>(next));
      ++next;
    }
  }
}

int OFD_afficheur_filtre_impression::column_left(int k) const {
  int sum = 0;
  for (int i = 0; i < k && i < max_columns; ++i) sum += widths[i];
  return left_margin + points_per_character * sum;
}

std::string OFD_afficheur_filtre_impression::rules(const output_format& out,
                                                   const char* indent) const {
  int top = this->*out.top + points_per_line;
  std::string s;
  for (int k = 0; k < max_columns; ++k) {
    if (!rule_flags[k]) continue;
    int x = column_left(k);
    s += out.segment(x, top - points_per_line * current_line, x,
                     top - points_per_line * block_start, indent);
  }
  return s;
}

std::string OFD_afficheur_filtre_impression::interpret(const std::string& line,
                                                       const output_format& out) {
  std::string s;
  int y = this->*out.top - points_per_line * current_line;
  switch (typeligne(line)) {
    case 2:
      current_line = 0;
      read_columns(line, widths, rule_flags);
      break;
    case 3:
      s = out.segment(left_margin, y, column_left(max_columns), y, "    ");
      ++current_line;
      break;
    case 1:
      s = rules(out, "    ");
      block_start = current_line;
      read_columns(line, widths, rule_flags);
      break;
    default:
      for (const print_field& field : print_fields(line, widths))
        s += out.text(column_left(field.column) + points_per_character, y, field.text);
      ++current_line;
  }
  return s;
}

// PostScript

void OFD_afficheur_filtre_impression::imprime_postscript(std::ostream& f) {
  begin_postscript(f);
  each_line(&OFD_afficheur_filtre_impression::postscript,
            &OFD_afficheur_filtre_impression::next_page_postscript, f);
  end_postscript(f);
}

void OFD_afficheur_filtre_impression::begin_postscript(std::ostream& f) {
  current_line = 1;
  block_start = 1;
  f << "%!PS-Adobe-2.0\n"
       "%%Creator: morvelin\n"
       "%%Title: tmp.ps\n"
       "%%Pages: 1\n"
       "%%PageOrder: Ascend\n"
       "%%BoundingBox: 0 0 612 792\n"
       "%%DocumentPaperSizes: a4\n"
       "%%EndComments\n"
    << ps_font_setup;
}

void OFD_afficheur_filtre_impression::postscript(std::ostream& f, const std::string& line) {
  f << interpret(line, postscript_format);
}

void OFD_afficheur_filtre_impression::next_page_postscript(std::ostream& f, int n) {
  f << rules(postscript_format, "") << "showpage\n%%page : " << n << " " << n << "\n"
    << ps_font_setup;
  current_line = 1;
  block_start = 1;
}

void OFD_afficheur_filtre_impression::end_postscript(std::ostream& f) {
  f << rules(postscript_format, "") << "showpage\n";
}

// PDF

void OFD_afficheur_filtre_impression::imprime_pdf(std::ostream& f) {
  begin_pdf(f);
  each_line(&OFD_afficheur_filtre_impression::pdf,
            &OFD_afficheur_filtre_impression::next_page_pdf, f);
  end_pdf(f);
}

void OFD_afficheur_filtre_impression::put(std::ostream& f, const std::string& s) {
  f << s;
  written_ += static_cast<long>(s.size());
}

void OFD_afficheur_filtre_impression::begin_object(std::ostream& f, int number) {
  if (static_cast<std::size_t>(number) >= offsets_.size()) offsets_.resize(number + 1, -1);
  offsets_[number] = written_;
  put(f, num(number) + " 0 obj\n");
}

void OFD_afficheur_filtre_impression::put_page_object(std::ostream& f, int number) {
  begin_object(f, number);
  put(f,
      "  << /Type /Page\n"
      "     /Parent 3 0 R\n"
      "     /MediaBox [0 0 612 792]\n"
      "     /Contents " + num(number + 1) + " 0 R\n"
      "     /Resources << /ProcSet 4 0 R\n"
      "                   /Font << /F1 5 0 R >>\n"
      "                >>\n"
      "  >>\n"
      "endobj\n\n");
  content_object_ = number + 1;
  content_.clear();
}

void OFD_afficheur_filtre_impression::put_content(std::ostream& f) {
  // The line feed before "endstream" is not part of the data.
  std::size_t length = content_.empty() ? 0 : content_.size() - 1;
  begin_object(f, content_object_);
  put(f, "  << /Length " + num(static_cast<long>(length)) + " >>\nstream\n" + content_ +
             "endstream\nendobj\n\n");
}

void OFD_afficheur_filtre_impression::begin_pdf(std::ostream& f) {
  int pages = static_cast<int>(page_starts(lines, line_count).size());
  current_line = 1;
  block_start = 1;
  pdf_page_counter = 0;
  written_ = 0;
  offsets_.clear();
  put(f, "%PDF-1.4\n");
  begin_object(f, 1);
  put(f, "  << /Type /Catalog\n     /Outlines 2 0 R\n     /Pages 3 0 R\n  >>\nendobj\n\n");
  begin_object(f, 2);
  put(f, "  << /Type /Outlines\n     /Count 0\n  >>\nendobj\n\n");
  begin_object(f, 3);
  std::string kids = "  << /Type /Pages\n     /Kids [\n";
  for (int i = 0; i < pages; ++i) kids += (i ? "         " : "") + num(10 + 2 * i) + " 0 R\n";
  put(f, kids + "         ]\n     /Count " + num(pages) + "\n  >>\nendobj\n\n");
  begin_object(f, 4);
  put(f, "   [/PDF /Text]\nendobj\n\n");
  begin_object(f, 5);
  put(f,
      "  << /Type /Font\n"
      "     /Subtype /Type1\n"
      "     /Name /F1\n"
      "     /BaseFont /Times-Roman\n"
      "     /Encoding /WinAnsiEncoding\n"
      "  >>\n"
      "endobj\n\n");
  put_page_object(f, 10);
}

void OFD_afficheur_filtre_impression::pdf(std::ostream&, const std::string& line) {
  content_ += interpret(line, pdf_format);
}

void OFD_afficheur_filtre_impression::next_page_pdf(std::ostream& f, int) {
  content_ += rules(pdf_format, "    ");
  put_content(f);
  int b = pdf_page_counter++;
  put_page_object(f, 12 + 2 * b);
  current_line = 1;
  block_start = 1;
}

void OFD_afficheur_filtre_impression::end_pdf(std::ostream& f) {
  content_ += rules(pdf_format, "      ");
  put_content(f);
  long xref = written_;
  std::string table = "xref\n0 " + num(static_cast<long>(offsets_.size())) + "\n";
  for (long offset : offsets_) {
    // Unused numbers are free for good, like object 0, and end the free list.
    if (offset < 0) {
      table += "0000000000 65535 f \n";
    } else {
      std::string digits = num(offset);
      table += std::string(10 - std::min<std::size_t>(10, digits.size()), '0') + digits +
               " 00000 n \n";
    }
  }
  put(f, table + "\ntrailer\n  << /Size " + num(static_cast<long>(offsets_.size())) +
             "\n     /Root 1 0 R\n  >>\nstartxref\n" + num(xref) + "\n%%EOF\n");
}
