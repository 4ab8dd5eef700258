#include <gtest/gtest.h>

#include "forms/afficheur.h"
#include "forms/message_lines.h"

#include <sstream>
#include <string>
#include <vector>

namespace {

std::vector<std::string> text_lines(int n, const std::string& prefix = "l") {
  std::vector<std::string> lines;
  for (int i = 1; i <= n; ++i) lines.push_back(prefix + std::to_string(i));
  return lines;
}

int pages_of(std::vector<std::string> lines) {
  OFD_afficheur_filtre_affichage filter(lines.data(), static_cast<int>(lines.size()));
  return filter.nb_pages();
}

}  // namespace

TEST(LineTypes, DecidedByTheFirstTwoCharacters) {
  EXPECT_EQ(typeligne("#C 10 "), 1);
  EXPECT_EQ(typeligne("#P"), 2);
  EXPECT_EQ(typeligne("#T anything"), 3);
  EXPECT_EQ(typeligne("#"), 0);
  EXPECT_EQ(typeligne("C#T"), 0);
  EXPECT_EQ(typeligne(""), 0);
}

// Callers ask the filter they hold: filter.typeligne(line).
TEST(LineTypes, EachFilterAnswersAsTheLineLanguage) {
  OFD_afficheur_filtre_affichage screen;
  OFD_afficheur_filtre_impression print;
  for (const char* line : {"#C 10 ", "#P", "#T x", "a#b", ""}) {
    SCOPED_TRACE(line);
    EXPECT_EQ(screen.typeligne(line), typeligne(line));
    EXPECT_EQ(print.typeligne(line), typeligne(line));
  }
  EXPECT_EQ(print.typeligne("#P 5 "), 2);
  EXPECT_EQ(screen.typeligne("#T"), 3);
}

TEST(ColumnLine, NumbersEndedBySpacesAndRuleFlags) {
  int widths[max_columns];
  char flags[max_columns];
  read_columns("#C 20T 30 ", widths, flags);
  EXPECT_EQ(widths[0], 20);
  EXPECT_EQ(widths[1], 30);
  EXPECT_EQ(widths[2], 0);
  EXPECT_EQ(flags[0], 1);
  EXPECT_EQ(flags[1], 0);

  read_columns("#C T5 0 7", widths, flags);  // "T" before the first width; 0 skipped; 7 not ended
  EXPECT_EQ(widths[0], 5);
  EXPECT_EQ(widths[1], 0);
  EXPECT_EQ(flags[0], 1);

  read_columns("#P 3 T", widths, flags);  // a trailing "T" flags the column that comes next
  EXPECT_EQ(widths[0], 3);
  EXPECT_EQ(flags[0], 0);
  EXPECT_EQ(flags[1], 1);
}

TEST(ColumnLine, AtMostFifteenColumns) {
  int widths[max_columns];
  char flags[max_columns];
  std::string line = "#C";
  for (int k = 1; k <= 17; ++k) line += " " + std::to_string(k) + "T";
  read_columns(line + " ", widths, flags);
  for (int k = 0; k < max_columns; ++k) {
    EXPECT_EQ(widths[k], k + 1);
    EXPECT_EQ(flags[k], 1);
  }
}

TEST(Pagination, SeventySevenVisibleLinesAPage) {
  EXPECT_EQ(pages_of({}), 0);
  EXPECT_EQ(pages_of(text_lines(1)), 0);
  EXPECT_EQ(pages_of(text_lines(77)), 0);
  EXPECT_EQ(pages_of(text_lines(78)), 1);
  EXPECT_EQ(pages_of(text_lines(154)), 1);
  EXPECT_EQ(pages_of(text_lines(155)), 2);

  std::vector<std::string> rules(77, "#T");
  EXPECT_EQ(pages_of(rules), 0);
  rules.push_back("#T");
  EXPECT_EQ(pages_of(rules), 1);
}

TEST(Pagination, ColumnLinesDoNotCount) {
  std::vector<std::string> lines;
  for (const std::string& text : text_lines(77)) {
    lines.push_back("#C 5 ");
    lines.push_back(text);
  }
  EXPECT_EQ(pages_of(lines), 0);
  // but one after the 77th visible line starts a page of its own
  lines.push_back("#P 5 ");
  EXPECT_EQ(pages_of(lines), 1);
}

TEST(ScreenFilter, SeventyEightLinesPutTheLastOnPageTwo) {
  std::vector<std::string> lines = text_lines(78);
  OFD_afficheur_filtre_affichage filter(lines.data(), 78);
  std::string first;
  for (int i = 1; i <= 77; ++i) first += "@f@S12 \n";  // no columns: empty fields
  EXPECT_EQ(filter.visu_page(0), first);
  EXPECT_EQ(filter.visu_page(1), "@f@S12 \n");
  EXPECT_EQ(filter.visu_page(2), "");
  EXPECT_EQ(filter.visu_page(-1), "");
}

TEST(ScreenFilter, FieldsPaddedToTheirColumns) {
  OFD_afficheur_filtre_affichage filter;
  EXPECT_EQ(filter.visu_ligne("abc#de"), "@f@S12 ");  // before any column line
  EXPECT_EQ(filter.visu_ligne("#C 10 5 "), "");
  EXPECT_EQ(filter.visu_ligne("abc#de#fghijkl"), "@f@S12 abc       de   ");
  EXPECT_EQ(filter.visu_ligne("abcdefghijklm#x"), "@f@S12 abcdefghijx");
  // the last field is cut but not padded
  EXPECT_EQ(filter.visu_ligne("ab#cdefgh"), "@f@S12 ab        cdefg");
  EXPECT_EQ(filter.visu_ligne("ab"), "@f@S12 ab");
  EXPECT_EQ(filter.visu_ligne("#T"), std::string(122, '-'));
  EXPECT_EQ(filter.visu_ligne("#P 2 "), "");
  EXPECT_EQ(filter.visu_ligne("abc#de"), "@f@S12 ab");  // column 1 has no width now
}

TEST(ScreenFilter, FieldsBeyondFifteenColumnsShowNothing) {
  OFD_afficheur_filtre_affichage filter;
  filter.visu_ligne("#C 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 ");
  std::string line = "a";
  for (char c = 'b'; c <= 't'; ++c) line += std::string("#") + c;  // twenty fields
  EXPECT_EQ(filter.visu_ligne(line), "@f@S12 abcdefghijklmno");
  EXPECT_EQ(filter.visu_ligne(line + "#"), "@f@S12 abcdefghijklmno");
}

TEST(ScreenFilter, ColumnLinesGiveEmptyRows) {
  std::vector<std::string> lines = {"#C 3 ", "abcdef", "#T", "#C 1 "};
  OFD_afficheur_filtre_affichage filter(lines.data(), 4);
  EXPECT_EQ(filter.visu_page(0), "\n@f@S12 abc\n" + std::string(122, '-') + "\n\n");
}

TEST(ScreenFilter, WidthsComeFromTheLastColumnLineFormatted) {
  std::vector<std::string> lines = {"#C 3 "};
  for (int i = 0; i < 76; ++i) lines.push_back("abcdefgh");
  lines.push_back("#C 5 ");
  lines.push_back("abcdefgh");  // 77th visible line
  lines.push_back("abcdefgh");  // page 2, no column line of its own
  OFD_afficheur_filtre_affichage fresh(lines.data(), static_cast<int>(lines.size()));
  EXPECT_EQ(fresh.visu_page(1), "@f@S12 \n");

  OFD_afficheur_filtre_affichage filter(lines.data(), static_cast<int>(lines.size()));
  std::string first = filter.visu_page(0);
  EXPECT_EQ(first.substr(0, 16), "\n@f@S12 abc\n@f@S");
  EXPECT_EQ(first.substr(first.size() - 14), "\n@f@S12 abcde\n");
  EXPECT_EQ(filter.visu_page(1), "@f@S12 abcde\n");
}

TEST(TextFilter, TextLinesUnchangedOthersAsDashes) {
  std::vector<std::string> lines = {"#C 5 ", "a#b(c)\\", "#T", "#P 3 ", "", "x"};
  OFD_afficheur_filtre_texte filter(lines.data(), 6);
  std::ostringstream out;
  filter.imprime(out);
  std::string dashes(55, '-');
  EXPECT_EQ(out.str(), dashes + "\na#b(c)\\\n" + dashes + "\n" + dashes + "\n\nx\n");
}
