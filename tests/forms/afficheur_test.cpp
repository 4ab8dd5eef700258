#include <gtest/gtest.h>

#include "forms/afficheur.h"
#include "tests/forms/forms_support.h"
#include "tests/support/pixels.h"

#include <FL/Fl.H>
#include <FL/Fl_Browser.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Window.H>

#include <list>
#include <memory>
#include <string>
#include <vector>

namespace {

// "#C 30 " then text lines "line 1" to "line n".
std::list<std::string> numbered_message(int n) {
  std::list<std::string> lines{"#C 30 "};
  for (int i = 1; i <= n; ++i) lines.push_back("line " + std::to_string(i));
  return lines;
}

// Closes the message box of fl_message, checking what it says.
void close_message(const std::string& text) {
  Fl_Window* dialog = modal_dialog();
  ASSERT_NE(dialog, nullptr) << "no message shown";
  EXPECT_NE(find_by_label(dialog, text), nullptr) << "message is not: " << text;
  dialog->hide();
}

}  // namespace

class Viewer : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { parent = open_test_window(300, 200, "parent"); }
  void SetUp() override {
    drain_queue();
    viewer = std::make_unique<OFD_afficheur>(parent, 0);
  }
  std::string page_label() const { return viewer->page_text->label(); }
  std::string row(int i) const { return viewer->browser->text(i); }
  void go_to(const std::string& typed) {
    viewer->page_input->value(typed.c_str());
    viewer->page_go_button->do_callback();
  }
  static Fl_Window* parent;
  std::unique_ptr<OFD_afficheur> viewer;
};
Fl_Window* Viewer::parent = nullptr;

TEST_F(Viewer, BuiltHiddenWithLabelsInEitherLanguage) {
  EXPECT_FALSE(viewer->window->shown());
  EXPECT_STREQ(viewer->cancel_button->label(), "ANNULER");
  EXPECT_EQ(viewer->cancel_button->y(), 430);  // y downwards
  OFD_afficheur english(parent, 1);
  EXPECT_STREQ(english.cancel_button->label(), "CANCEL");
  EXPECT_STREQ(english.text_button->label(), "text file");
}

TEST_F(Viewer, EmptyMessageShowsNothing) {
  std::list<std::string> empty;
  viewer->activation(empty, "rien", "");
  EXPECT_FALSE(viewer->window->shown());
  EXPECT_TRUE(parent->active());
  viewer->activation(nullptr, 3, "rien", "");
  EXPECT_FALSE(viewer->window->shown());
  EXPECT_TRUE(parent->active());
}

TEST_F(Viewer, PagesTurnedByButtonsAndByNumber) {
  std::list<std::string> message = numbered_message(160);  // pages of 77, 77 and 6 lines
  bool parent_was_inactive = false;
  click_script script({
      [&] {
        parent_was_inactive = !parent->active();
        EXPECT_TRUE(viewer->window->shown());
        EXPECT_EQ(page_label(), "page 1 / 3    ");
        EXPECT_STREQ(viewer->title_text->label(), "Rapport");
        EXPECT_STREQ(viewer->page_input->value(), "1");
        ASSERT_EQ(viewer->browser->size(), 78);  // the column line gives an empty row
        EXPECT_EQ(row(1), "");
        EXPECT_EQ(row(2), "@f@S12 line 1");
        EXPECT_EQ(row(78), "@f@S12 line 77");
        viewer->next_button->do_callback();
      },
      [&] {
        EXPECT_EQ(page_label(), "page 2 / 3    ");
        EXPECT_STREQ(viewer->page_input->value(), "2");
        EXPECT_EQ(row(1), "@f@S12 line 78");
        viewer->next_button->do_callback();
      },
      [&] {
        EXPECT_EQ(page_label(), "page 3 / 3    ");
        EXPECT_EQ(viewer->browser->size(), 6);
        viewer->next_button->do_callback();  // on the last page: nothing
      },
      [&] {
        EXPECT_EQ(viewer->page, 2);
        EXPECT_EQ(row(6), "@f@S12 line 160");
        viewer->previous_button->do_callback();
      },
      [&] {
        EXPECT_EQ(page_label(), "page 2 / 3    ");
        go_to("1");
      },
      [&] {
        EXPECT_EQ(viewer->page, 0);
        viewer->previous_button->do_callback();  // on the first page: nothing
      },
      [&] {
        EXPECT_EQ(viewer->page, 0);
        go_to("3");
      },
      [&] {
        EXPECT_EQ(viewer->page, 2);
        go_to("0");
      },
      [&] {
        EXPECT_EQ(viewer->page, 2);
        go_to("4");
      },
      [&] {
        EXPECT_EQ(viewer->page, 2);
        EXPECT_EQ(page_label(), "page 3 / 3    ");
        viewer->cancel_button->do_callback();
      },
  });
  script.start();
  viewer->activation(message, "Rapport", "");
  EXPECT_EQ(script.done(), 10u);
  EXPECT_TRUE(parent_was_inactive);
  EXPECT_TRUE(parent->active());
  EXPECT_FALSE(viewer->window->shown());
}

TEST_F(Viewer, ClosingItsWindowEndsTheViewingLikeCancel) {
  std::list<std::string> message = numbered_message(3);
  click_script script(close_then([&] { close_by_window_manager(viewer->window); },
                                 [&] { viewer->cancel_button->do_callback(); }));
  script.start();
  viewer->activation(message, "t", "");
  EXPECT_LT(script.done(), close_script_steps);
  EXPECT_TRUE(parent->active());
  EXPECT_FALSE(viewer->window->shown());
}

TEST_F(Viewer, DestroyedViewerFreesItsWindow) {
  Fl_Widget_Tracker window(viewer->window);
  Fl_Widget_Tracker browser(viewer->browser);
  viewer.reset();
  EXPECT_TRUE(window.deleted());
  EXPECT_TRUE(browser.deleted());
}

TEST_F(Viewer, SeventySevenLinesAreOnePage) {
  std::list<std::string> message = numbered_message(77);
  click_script script({[&] {
                         EXPECT_EQ(page_label(), "page 1 / 1    ");
                         viewer->next_button->do_callback();
                       },
                       [&] {
                         EXPECT_EQ(viewer->page, 0);
                         viewer->cancel_button->do_callback();
                       }});
  script.start();
  viewer->activation(message, "t", "");
  EXPECT_EQ(script.done(), 2u);
}

TEST_F(Viewer, TitleCutTo81Characters) {
  std::vector<std::string> lines = {"a"};
  std::string title(100, 'x');
  click_script script({[&] {
    EXPECT_EQ(std::string(viewer->title_text->label()), std::string(81, 'x'));
    viewer->cancel_button->do_callback();
  }});
  script.start();
  viewer->activation(lines.data(), 1, title, "");
  EXPECT_EQ(script.done(), 1u);
}

TEST_F(Viewer, RowsHoldAtMost161Characters) {
  std::vector<std::string> lines = {"#C 200 ", std::string(150, 'a') + std::string(50, 'b')};
  viewer->display_filter = OFD_afficheur_filtre_affichage(lines.data(), 2);
  viewer->visu_page();
  // 207 characters: the first 161, the 162nd (the fifth "b") dropped, then 45
  ASSERT_EQ(viewer->browser->size(), 3);
  EXPECT_EQ(row(2), "@f@S12 " + std::string(150, 'a') + "bbbb");
  EXPECT_EQ(row(3), std::string(45, 'b'));
}

TEST_F(Viewer, TextFileButton) {
  scratch_dir dir;
  std::vector<std::string> lines = {"#C 5 ", "a#b", "#T", "z"};
  click_script script({[&] { viewer->text_button->do_callback(); },
                       [&] { close_message("generation du fichier tmp.txt"); },
                       [&] { viewer->cancel_button->do_callback(); }});
  script.start();
  viewer->activation(lines.data(), 4, "t", "");
  EXPECT_EQ(script.done(), 3u);
  std::string dashes(55, '-');
  EXPECT_EQ(read_file("tmp.txt"), dashes + "\na#b\n" + dashes + "\nz\n");
}

TEST_F(Viewer, PdfFileWithoutViewerIsKept) {
  scratch_dir dir;
  std::vector<std::string> lines = {"#C 20 ", "bonjour"};
  click_script script({[&] { viewer->pdf_button->do_callback(); },
                       [&] { close_message("generation du fichier tmp.pdf"); },
                       [&] { viewer->cancel_button->do_callback(); }});
  script.start();
  viewer->activation(lines.data(), 2, "t", "");
  EXPECT_EQ(script.done(), 3u);
  command_result check = run_command("qpdf --check tmp.pdf");
  EXPECT_EQ(check.status, 0) << check.output;
  EXPECT_EQ(run_command("pdftotext tmp.pdf -").output, "bonjour\n\n\f");
}

TEST_F(Viewer, PdfFileGoesToTheViewerThenIsRemoved) {
  scratch_dir dir;
  write_file("view me.sh", "#!/bin/sh\ncp \"$1\" seen.pdf\n");
  ASSERT_EQ(run_command("chmod +x 'view me.sh'").status, 0);
  std::vector<std::string> lines = {"#C 20 ", "au revoir"};
  click_script script({[&] { viewer->pdf_button->do_callback(); },
                       [&] { viewer->cancel_button->do_callback(); }});
  script.start();
  viewer->activation(lines.data(), 2, "t", dir.path() + "/view me.sh");
  EXPECT_EQ(script.done(), 2u);
  EXPECT_FALSE(file_exists("tmp.pdf"));
  ASSERT_TRUE(file_exists("seen.pdf"));
  EXPECT_EQ(run_command("pdftotext seen.pdf -").output, "au revoir\n\n\f");
}

TEST(WaitForm, ShownFromConstructionToDestruction) {
  Fl_Window* shown = nullptr;
  {
    OFD_wait_form wait("calcul des trajectoires");
    shown = wait.window;
    EXPECT_TRUE(wait.window->shown());
    EXPECT_STREQ(wait.window->label(), "travail en cours ...");
    EXPECT_NE(find_by_label(wait.window, "calcul des trajectoires"), nullptr);
    EXPECT_EQ(wait.window->w(), 600);
    EXPECT_EQ(wait.window->h(), 60);
  }
  for (Fl_Window* w = Fl::first_window(); w; w = Fl::next_window(w)) EXPECT_NE(w, shown);
}
