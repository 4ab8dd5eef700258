#include <gtest/gtest.h>

#include "forms/print_filter.h"
#include "tests/forms/forms_support.h"

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string postscript_of(std::vector<std::string> lines) {
  OFD_afficheur_filtre_impression filter(lines.data(), static_cast<int>(lines.size()));
  std::ostringstream out;
  filter.imprime_postscript(out);
  return out.str();
}

std::string pdf_of(std::vector<std::string> lines) {
  OFD_afficheur_filtre_impression filter(lines.data(), static_cast<int>(lines.size()));
  std::ostringstream out;
  filter.imprime_pdf(out);
  return out.str();
}

const std::string ps_header =
    "%!PS-Adobe-2.0\n%%Creator: morvelin\n%%Title: tmp.ps\n%%Pages: 1\n"
    "%%PageOrder: Ascend\n%%BoundingBox: 0 0 612 792\n%%DocumentPaperSizes: a4\n"
    "%%EndComments\na4\n/Times-Roman findfont\n7 scalefont\nsetfont\n";

// "#C 10T 20T " then a text line with a skipped character, parentheses and a
// backslash, a rule, a field of one space, a new block, a "#P" block.
const std::vector<std::string> block_message = {
    "#C 10T 20T ", "ab#c(d)e\\f", "#T", "x#  ", "#C 5 ", "#P 7T ", "p"};

std::vector<std::string> numbered_lines(int n) {
  std::vector<std::string> lines{"#C 30 "};
  for (int i = 1; i <= n; ++i) lines.push_back("line " + std::to_string(i));
  return lines;
}

std::string text_object(int x, int y, const std::string& s) {
  return "   BT\n     /F1 7 Tf\n     " + std::to_string(x) + " " + std::to_string(y) +
         " Td\n(" + s + ") Tj\n   ET\n";
}

// The stream data of content object `number`, checked against its /Length.
std::string stream_of(const std::string& pdf, int number) {
  std::string head = "\n" + std::to_string(number) + " 0 obj\n  << /Length ";
  std::size_t at = pdf.find(head);
  if (at == std::string::npos) return "<no object " + std::to_string(number) + ">";
  std::size_t length_at = at + head.size();
  long length = std::strtol(pdf.c_str() + length_at, nullptr, 10);
  std::size_t data = pdf.find(" >>\nstream\n", length_at) + 11;
  std::size_t end = pdf.find("endstream\n", data);
  EXPECT_EQ(static_cast<long>(end - data) - 1, length) << "length of object " << number;
  EXPECT_EQ(pdf[end - 1], '\n');
  return pdf.substr(data, end - data);
}

// Every in-use cross-reference entry points at its object's first byte,
// entries are 20 bytes, 6 to 9 are free, and startxref points at "xref".
void expect_consistent_xref(const std::string& pdf, int objects) {
  std::size_t tail = pdf.rfind("startxref\n");
  ASSERT_NE(tail, std::string::npos);
  long xref = std::strtol(pdf.c_str() + tail + 10, nullptr, 10);
  ASSERT_EQ(pdf.compare(xref, 5, "xref\n"), 0);
  std::string count = "xref\n0 " + std::to_string(objects) + "\n";
  ASSERT_EQ(pdf.compare(xref, count.size(), count), 0);
  std::size_t entry = xref + count.size();
  for (int i = 0; i < objects; ++i, entry += 20) {
    std::string e = pdf.substr(entry, 20);
    ASSERT_EQ(e.substr(10, 1) + e.substr(16, 1) + e.substr(18, 2), "  " + std::string(" \n"))
        << "entry " << i << ": " << e;
    bool free_entry = i == 0 || (i >= 6 && i <= 9);
    EXPECT_EQ(e[17], free_entry ? 'f' : 'n') << "entry " << i;
    if (free_entry) {
      EXPECT_EQ(e.substr(0, 10), "0000000000");
      continue;
    }
    long offset = std::strtol(e.substr(0, 10).c_str(), nullptr, 10);
    std::string obj = std::to_string(i) + " 0 obj\n";
    EXPECT_EQ(pdf.compare(offset, obj.size(), obj), 0) << "object " << i;
    EXPECT_EQ(pdf[offset - 1], '\n');
  }
  std::string trailer = "\ntrailer\n  << /Size " + std::to_string(objects) +
                        "\n     /Root 1 0 R\n  >>\nstartxref\n" + std::to_string(xref) +
                        "\n%%EOF\n";
  EXPECT_EQ(pdf.substr(entry), trailer);
}

}  // namespace

TEST(PostscriptWriter, TextWithoutColumnsGivesOneEmptyShow) {
  EXPECT_EQ(postscript_of({"abc"}), ps_header + "45 790 moveto () show\nshowpage\n");
}

TEST(PostscriptWriter, BlocksRulesParenthesesAndBackslash) {
  EXPECT_EQ(postscript_of(block_message),
            ps_header +
                // widths 10 and 20: fields at 45 and 95; "c" skipped after "#"
                "45 790 moveto (ab) show\n"
                "95 790 moveto (de\\\\f) show\n"
                // full-width rule to 40 + 5 * 30
                "newpath 40 780 moveto 190 780 lineto stroke \n"
                // the second field is a single space: not written
                "45 770 moveto (x) show\n"
                // "#C 5 " closes the block's two rules, from line 4 up to line 1
                "newpath 40 770 moveto 40 800 lineto stroke \n"
                "newpath 90 770 moveto 90 800 lineto stroke \n"
                // "#P" puts the next line at line number 0
                "45 800 moveto (p) show\n"
                // the "#P" block's rule, from line 1 back to the block start (4)
                "newpath 40 800 moveto 40 770 lineto stroke \n"
                "showpage\n");
}

TEST(PostscriptWriter, FieldsBeyondTheColumnsAreEmptyAndWidthsCut) {
  std::string ps = postscript_of({"#C 3 ", "abcdef#xyz#uv", "#C 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 ",
                                  "a#bc#de#fg#hi#jk#lm#no#pq#rs#tu#vw#xy#za#bc#de#fg#hi"});
  std::string expected = ps_header +
                         "45 790 moveto (abc) show\n"
                         "60 790 moveto () show\n"
                         "60 790 moveto () show\n";
  // fifteen columns of width 1 (the sixteenth width is ignored); fields 16
  // and 17 have no width
  expected += "45 780 moveto (a) show\n";
  const char* seconds = "cegikmoqsuwyace";
  for (int k = 1; k < 15; ++k)
    expected += std::to_string(45 + 5 * k) + " 780 moveto (" + seconds[k - 1] + ") show\n";
  expected += "120 780 moveto () show\n120 780 moveto () show\n120 780 moveto () show\n";
  EXPECT_EQ(ps, expected + "showpage\n");
}

TEST(PostscriptWriter, SeventyEightLinesBreakThePage) {
  std::string one = postscript_of(numbered_lines(77));
  EXPECT_EQ(one.find("showpage"), one.rfind("showpage"));
  EXPECT_NE(one.find("45 30 moveto (line 77) show\nshowpage\n"), std::string::npos);

  std::string two = postscript_of(numbered_lines(78));
  EXPECT_NE(two.find("45 30 moveto (line 77) show\nshowpage\n%%page : 1 1\na4\n"
                     "/Times-Roman findfont\n7 scalefont\nsetfont\n"
                     "45 790 moveto (line 78) show\nshowpage\n"),
            std::string::npos);
  EXPECT_EQ(two.substr(0, ps_header.size()), ps_header);  // "%%Pages: 1" all the same
}

std::string ten_digits(std::size_t v) {
  std::string s = std::to_string(v);
  return std::string(10 - s.size(), '0') + s;
}

TEST(PdfWriter, OnePageDocumentExactly) {
  std::string head =
      "%PDF-1.4\n"
      "1 0 obj\n  << /Type /Catalog\n     /Outlines 2 0 R\n     /Pages 3 0 R\n  >>\nendobj\n\n"
      "2 0 obj\n  << /Type /Outlines\n     /Count 0\n  >>\nendobj\n\n"
      "3 0 obj\n  << /Type /Pages\n     /Kids [\n10 0 R\n         ]\n     /Count 1\n  >>\n"
      "endobj\n\n"
      "4 0 obj\n   [/PDF /Text]\nendobj\n\n"
      "5 0 obj\n  << /Type /Font\n     /Subtype /Type1\n     /Name /F1\n"
      "     /BaseFont /Times-Roman\n     /Encoding /WinAnsiEncoding\n  >>\nendobj\n\n"
      "10 0 obj\n  << /Type /Page\n     /Parent 3 0 R\n     /MediaBox [0 0 612 792]\n"
      "     /Contents 11 0 R\n     /Resources << /ProcSet 4 0 R\n"
      "                   /Font << /F1 5 0 R >>\n                >>\n  >>\nendobj\n\n";
  std::string data = text_object(45, 770, "");
  std::string body = head + "11 0 obj\n  << /Length " + std::to_string(data.size() - 1) +
                     " >>\nstream\n" + data + "endstream\nendobj\n\n";
  // object 0, 1 to 5 in use, 6 to 9 free, 10 and 11 in use
  std::string xref = "xref\n0 12\n0000000000 65535 f \n";
  for (const char* object : {"\n1 0 obj", "\n2 0 obj", "\n3 0 obj", "\n4 0 obj", "\n5 0 obj"})
    xref += ten_digits(head.find(object) + 1) + " 00000 n \n";
  for (int free = 6; free <= 9; ++free) xref += "0000000000 65535 f \n";
  xref += ten_digits(head.find("\n10 0 obj") + 1) + " 00000 n \n";
  xref += ten_digits(head.size()) + " 00000 n \n";
  std::string expected = body + xref + "\ntrailer\n  << /Size 12\n     /Root 1 0 R\n  >>\n" +
                         "startxref\n" + std::to_string(body.size()) + "\n%%EOF\n";
  EXPECT_EQ(pdf_of({"abc"}), expected);
}

TEST(PdfWriter, EmptyMessageIsOneEmptyPage) {
  std::string pdf = pdf_of({});
  EXPECT_NE(pdf.find("11 0 obj\n  << /Length 0 >>\nstream\nendstream\n"), std::string::npos);
  expect_consistent_xref(pdf, 12);
}

TEST(PdfWriter, BlocksRulesParenthesesAndBackslash) {
  std::string pdf = pdf_of(block_message);
  EXPECT_EQ(stream_of(pdf, 11), text_object(45, 770, "ab") + text_object(95, 770, "de\\\\f") +
                                    "    40 760 m\n    190 760 l\n       S\n" +
                                    text_object(45, 750, "x") +
                                    "    40 750 m\n    40 780 l\n       S\n"
                                    "    90 750 m\n    90 780 l\n       S\n" +
                                    text_object(45, 780, "p") +
                                    // the last block's rules close the document
                                    "      40 780 m\n      40 750 l\n       S\n");
  expect_consistent_xref(pdf, 12);
}

TEST(PdfWriter, SeventySevenLinesAreOnePage) {
  std::string pdf = pdf_of(numbered_lines(77));
  EXPECT_NE(pdf.find("     /Kids [\n10 0 R\n         ]\n     /Count 1\n"), std::string::npos);
  EXPECT_EQ(pdf.find("12 0 obj"), std::string::npos);
  std::string data = stream_of(pdf, 11);
  EXPECT_NE(data.find(text_object(45, 770, "line 1")), std::string::npos);
  EXPECT_NE(data.find(text_object(45, 10, "line 77")), std::string::npos);
  expect_consistent_xref(pdf, 12);
}

TEST(PdfWriter, SeventyEightLinesMakeASecondPage) {
  std::string pdf = pdf_of(numbered_lines(78));
  EXPECT_NE(pdf.find("     /Kids [\n10 0 R\n         12 0 R\n         ]\n     /Count 2\n"),
            std::string::npos);
  EXPECT_NE(pdf.find("\nendstream\nendobj\n\n12 0 obj\n  << /Type /Page\n     /Parent 3 0 R\n"
                     "     /MediaBox [0 0 612 792]\n     /Contents 13 0 R\n"),
            std::string::npos);
  EXPECT_EQ(stream_of(pdf, 11).find("line 78"), std::string::npos);
  EXPECT_EQ(stream_of(pdf, 13), text_object(45, 770, "line 78"));
  expect_consistent_xref(pdf, 14);
}

TEST(PdfWriter, ColumnWidthsCarryOverToTheNextPage) {
  std::vector<std::string> lines = numbered_lines(78);
  lines[78] = "abcdefgh#ij";
  EXPECT_EQ(stream_of(pdf_of(lines), 13),
            text_object(45, 770, "abcdefgh") + text_object(195, 770, ""));
}

TEST(PrintFilter, ColumnDefinitionStaysForTheNextDocument) {
  std::vector<std::string> lines = {"abc", "#C 2 "};
  OFD_afficheur_filtre_impression filter(lines.data(), 2);
  std::ostringstream first, second, third;
  filter.imprime_postscript(first);
  filter.imprime_postscript(second);
  filter.imprime_pdf(third);
  EXPECT_NE(first.str().find("45 790 moveto () show\n"), std::string::npos);
  EXPECT_NE(second.str().find("45 790 moveto (ab) show\n"), std::string::npos);
  EXPECT_EQ(stream_of(third.str(), 11), text_object(45, 770, "ab"));
}

// Documents checked by tools of their own.
class DocumentTools : public ::testing::Test {
 protected:
  scratch_dir dir;

  void write_pdf(const std::vector<std::string>& lines) { write_file("tmp.pdf", pdf_of(lines)); }
  void write_ps(const std::vector<std::string>& lines) {
    write_file("tmp.ps", postscript_of(lines));
  }
  static void expect_text(const std::string& pdf_file, const std::vector<std::string>& lines,
                          int pages) {
    command_result check = run_command("qpdf --check " + pdf_file);
    EXPECT_EQ(check.status, 0) << check.output;
    EXPECT_NE(check.output.find("No syntax or stream encoding errors found"), std::string::npos)
        << check.output;
    EXPECT_EQ(check.output.find("WARNING"), std::string::npos) << check.output;
    command_result info = run_command("pdfinfo " + pdf_file);
    std::size_t count_at = info.output.find("\nPages:");
    ASSERT_NE(count_at, std::string::npos) << info.output;
    EXPECT_EQ(std::strtol(info.output.c_str() + count_at + 7, nullptr, 10), pages);
    command_result text = run_command("pdftotext " + pdf_file + " -");
    ASSERT_EQ(text.status, 0) << text.output;
    std::vector<std::string> read;
    std::istringstream in(text.output);
    for (std::string line; std::getline(in, line);) {
      if (!line.empty() && line[0] == '\f') line.erase(0, 1);
      if (!line.empty()) read.push_back(line);
    }
    EXPECT_EQ(read, lines);
  }
};

std::vector<std::string> tool_message(int n, std::vector<std::string>& expected) {
  std::vector<std::string> lines{"#C 40 "};
  for (int i = 1; i <= n; ++i) {
    std::string text = "ligne " + std::to_string(i);
    if (i % 10 == 3) text += " chemin C:\\dossier\\";
    if (i % 10 == 4) text += " (note) \\n";
    lines.push_back(text);
    std::string shown;
    for (char c : text)
      if (c != '(' && c != ')') shown += c;
    expected.push_back(shown);
  }
  return lines;
}

TEST_F(DocumentTools, OnePagePdfIsValidAndReadsBack) {
  std::vector<std::string> expected;
  write_pdf(tool_message(12, expected));
  expect_text("tmp.pdf", expected, 1);
}

TEST_F(DocumentTools, ThreePagePdfIsValidAndReadsBackInOrder) {
  std::vector<std::string> expected;
  write_pdf(tool_message(200, expected));
  expect_text("tmp.pdf", expected, 3);
}

TEST_F(DocumentTools, PostscriptConvertsAndReadsBack) {
  std::vector<std::string> expected;
  write_ps(tool_message(200, expected));
  command_result convert = run_command("ps2pdf tmp.ps converted.pdf");
  ASSERT_EQ(convert.status, 0) << convert.output;
  EXPECT_EQ(convert.output, "");
  expect_text("converted.pdf", expected, 3);
}
