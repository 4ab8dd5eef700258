#include <gtest/gtest.h>

#include "forms/helpers.h"
#include "tests/forms/forms_support.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Browser.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Window.H>
#include <FL/fl_ask.H>
#include <FL/forms.H>

#include <string>

namespace {

// Clicks the button labelled label in the modal dialog.
void click(const char* label) {
  Fl_Widget* button = find_by_label(modal_dialog(), label);
  ASSERT_NE(button, nullptr) << "no button " << label;
  button->do_callback();
}

// Reads the dialog's input, then types text into it and clicks "OK".
void answer(std::string* shown, const std::string& text) {
  Fl_Input* input = find_widget<Fl_Input>(modal_dialog());
  ASSERT_NE(input, nullptr);
  *shown = input->value();
  input->value(text.c_str());
  click(fl_ok);
}

}  // namespace

TEST(Question, NoIsZeroAndYesIsOne) {
  click_script no({[] { click(fl_no); }});
  no.start();
  EXPECT_EQ(fl_show_Squestion("Continuer ?", 0), 0);
  click_script yes({[] {
    EXPECT_NE(find_by_label(modal_dialog(), "Continuer ?"), nullptr);
    click(fl_yes);
  }});
  yes.start();
  EXPECT_EQ(fl_show_Squestion("Continuer ?", 7), 1);
}

TEST(TextInput, TypedTextOrEmptyWhenCancelled) {
  std::string shown;
  click_script typed({[&] { answer(&shown, "nouveau"); }});
  typed.start();
  EXPECT_EQ(fl_show_Sinput("Nom :", "ancien"), "nouveau");
  EXPECT_EQ(shown, "ancien");
  click_script cancelled({[] { click(fl_cancel); }});
  cancelled.start();
  EXPECT_EQ(fl_show_Sinput("Nom :", "ancien"), "");
}

TEST(NumberInput, IntegersTypedOrKept) {
  std::string shown;
  click_script typed({[&] { answer(&shown, "17"); }});
  typed.start();
  EXPECT_EQ(fl_show_int("n", 42), 17);
  EXPECT_EQ(shown, "42");
  click_script garbage({[&] { answer(&shown, "abc"); }});
  garbage.start();
  EXPECT_EQ(fl_show_int("n", -3), -3);
  click_script cancelled({[] { click(fl_cancel); }});
  cancelled.start();
  EXPECT_EQ(fl_show_int("n", 5), 5);
}

TEST(NumberInput, OutOfRangeKeepsTheDefault) {
  const struct {
    const char* typed;
    int expected;
  } cases[] = {{"2147483647", 2147483647}, {"-2147483648", -2147483647 - 1},
               {"2147483648", 9},           {"-2147483649", 9},
               {"99999999999999999999999", 9}, {" 12abc", 12}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    std::string shown;
    click_script typed({[&] { answer(&shown, c.typed); }});
    typed.start();
    EXPECT_EQ(fl_show_int("n", 9), c.expected);
  }
}

TEST(NumberInput, RealsWithSixDecimals) {
  std::string shown;
  click_script typed({[&] { answer(&shown, "3.25"); }});
  typed.start();
  EXPECT_EQ(fl_show_double(std::string("x"), 2.5), 3.25);
  EXPECT_EQ(shown, "2.500000");
  click_script cancelled({[] { click(fl_cancel); }});
  cancelled.start();
  EXPECT_EQ(fl_show_double("x", -0.125), -0.125);
}

TEST(NumberInput, HugeRealDefaultsFitTheirBuffer) {
  std::string shown;
  click_script fits({[&] { answer(&shown, "x"); }});
  fits.start();
  EXPECT_EQ(fl_show_double("x", 1e70), 1e70);  // 71 digits and 7 more: 78 characters
  EXPECT_EQ(shown.size(), 78u);
  EXPECT_EQ(shown.substr(shown.size() - 7), ".000000");
  click_script too_long({[&] { answer(&shown, "x"); }});
  too_long.start();
  EXPECT_EQ(fl_show_double("x", 1e78), 1e78);  // would take 86 characters
  EXPECT_EQ(shown, "1e+78");
  click_script huge({[&] { answer(&shown, "1e5"); }});
  huge.start();
  EXPECT_EQ(fl_show_double("x", -1e300), 1e5);
  EXPECT_EQ(shown, "-1e+300");
}

TEST(Labels, CutOnlyWhenMaxIsBelowTheLength) {
  Fl_Box box(0, 0, 10, 10);
  fl_set_object_Slabel(&box, "abcdef", -1);
  EXPECT_STREQ(box.label(), "abcdef");
  fl_set_object_Slabel(&box, "abcdef", 6);
  EXPECT_STREQ(box.label(), "abcdef");
  fl_set_object_Slabel(&box, "abcdef", 3);
  EXPECT_STREQ(box.label(), "abc");
  fl_set_object_Slabel(&box, "abcdef", 0);
  EXPECT_STREQ(box.label(), "");
  {
    std::string temporary = "kept";
    fl_set_object_Slabel(&box, temporary, 10);
  }
  EXPECT_STREQ(box.label(), "kept");
}

TEST(Widgets, TextKeepsItsOwnLabel) {
  Fl_Window* form = fl_bgn_form(FL_FLAT_BOX, 200, 200);
  Fl_Widget* text;
  {
    std::string label = "Etat";
    text = fl_add_Stext(FL_BORDER_BOX, 10, 20, 40, 20, label);
  }
  end_form();
  EXPECT_STREQ(text->label(), "Etat");
  EXPECT_EQ(text->box(), FL_BORDER_BOX);
  EXPECT_EQ(text->align(), FL_ALIGN_LEFT);
  delete form;
}

TEST(BigMessages, LinesInABrowserUntilQuit) {
  std::string lines;
  int columns_width = 0;
  click_script script({[&] {
    Fl_Window* box = modal_dialog();
    ASSERT_NE(box, nullptr);
    EXPECT_STREQ(box->label(), "Messages");
    columns_width = box->w();
    Fl_Browser* browser = find_widget<Fl_Browser>(box);
    ASSERT_NE(browser, nullptr);
    for (int i = 1; i <= browser->size(); ++i) lines += std::string(browser->text(i)) + "|";
    Fl_Widget* quit = find_by_label(box, "Quit");
    ASSERT_NE(quit, nullptr);
    quit->do_callback();
  }});
  script.start();
  fl_show_Sbigmessages("premier\n\ntroisieme\n", 40);
  EXPECT_EQ(script.done(), 1u);
  EXPECT_EQ(lines, "premier||troisieme|");
  EXPECT_EQ(columns_width, 250);
  EXPECT_EQ(modal_dialog(), nullptr);
}

TEST(BigMessages, SaveWritesTheTextUnchanged) {
  scratch_dir dir;
  std::string text = "ligne 1\nligne (2) \\ fin";
  std::string file = dir.path() + "/saved.txt";
  Fl_Window* box = nullptr;
  click_script script({[&] {
                         box = modal_dialog();
                         find_by_label(box, "save")->do_callback();
                       },
                       [&] {
                         Fl_Window* chooser = modal_dialog();
                         ASSERT_NE(chooser, nullptr);
                         ASSERT_NE(chooser, box);
                         Fl_Input* name = find_widget<Fl_Input>(chooser);
                         ASSERT_NE(name, nullptr);
                         name->value(file.c_str());
                         click(fl_ok);
                       },
                       [&] { find_by_label(box, "Quit")->do_callback(); }});
  script.start();
  fl_show_Sbigmessages(text, 40);
  EXPECT_EQ(script.done(), 3u);
  EXPECT_EQ(read_file(file), text);
}

TEST(BigMessages, ClosingTheWindowEndsItLikeQuit) {
  Fl_Window* box = nullptr;
  click_script script(close_then(
      [&] {
        box = modal_dialog();
        close_by_window_manager(box);
      },
      [&] { find_by_label(box, "Quit")->do_callback(); }));
  script.start();
  fl_show_Sbigmessages("une ligne", 40);
  EXPECT_LT(script.done(), close_script_steps);
  EXPECT_EQ(modal_dialog(), nullptr);
}

TEST(BigMessages, ColumnCountsAreClampedToTheScreen) {
  const struct {
    int columns;
    int width;
  } cases[] = {{0, 16}, {-5, 16}, {1, 16}, {1000000, 6 * ((Fl::w() - 10) / 6) + 10}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.columns);
    int width = -1;
    click_script script({[&] {
      width = modal_dialog()->w();
      find_by_label(modal_dialog(), "Quit")->do_callback();
    }});
    script.start();
    fl_show_Sbigmessages("une ligne", c.columns);
    EXPECT_EQ(width, c.width);
    EXPECT_LE(width, Fl::w());
  }
}
