#include <gtest/gtest.h>

#include "forms/helpers.h"
#include "forms/simulator_panels.h"
#include "tests/forms/forms_support.h"
#include "tests/support/pixels.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Browser.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Browser.H>
#include <FL/Fl_Window.H>
#include <FL/forms.H>

#include <memory>
#include <string>
#include <vector>

namespace {

std::string browser_lines(Fl_Browser* b) {
  std::string s;
  for (int i = 1; i <= b->size(); ++i) s += std::string(b->text(i)) + ";";
  return s;
}

std::vector<int> marks(Fl_Check_Browser* list) {
  std::vector<int> m;
  for (int i = 1; i <= list->nitems(); ++i) m.push_back(list->checked(i));
  return m;
}

}  // namespace

class InputsPanel : public ::testing::Test {
 protected:
  void SetUp() override {
    drain_queue();
    panel = std::make_unique<OFD_simulator_input>(300);
    for (const char* name : {"a", "b", "c"}) panel->add(name);
  }
  std::unique_ptr<OFD_simulator_input> panel;
};

TEST_F(InputsPanel, AddAppendsToBothLists) {
  EXPECT_EQ(panel->name_count, 3);
  ASSERT_EQ(panel->signal_list->nitems(), 3);
  ASSERT_EQ(panel->sticky_list->nitems(), 3);
  EXPECT_STREQ(panel->signal_list->text(3), "c");
  EXPECT_EQ(marks(panel->signal_list), (std::vector<int>{0, 0, 0}));
  EXPECT_STREQ(panel->window->label(), "Inputs Pannel");
}

TEST_F(InputsPanel, GoSendsTheMarksAndReleasesSignalsThatAreNotSticky) {
  click_script script({[&] {
    panel->signal_list->checked(1, 1);
    panel->signal_list->checked(2, 1);
    panel->sticky_list->checked(2, 1);
    panel->sticky_list->checked(3, 1);
    panel->signal_list->do_callback();  // any other widget: still waiting
    panel->go_button->do_callback();
  }});
  script.start();
  int init = 5, quit = 5;
  int values[3] = {7, 7, 7};
  panel->check(&init, &quit, values);
  EXPECT_EQ(init, 0);
  EXPECT_EQ(quit, 0);
  EXPECT_EQ(std::vector<int>(values, values + 3), (std::vector<int>{1, 1, 0}));
  EXPECT_EQ(marks(panel->signal_list), (std::vector<int>{0, 1, 0}));
  EXPECT_EQ(marks(panel->sticky_list), (std::vector<int>{0, 1, 1}));
}

TEST_F(InputsPanel, InitClearsTheSignalMarks) {
  panel->signal_list->checked(1, 1);
  panel->signal_list->checked(3, 1);
  panel->sticky_list->checked(1, 1);
  click_script script({[&] { panel->init_button->do_callback(); }});
  script.start();
  int init = 0, quit = 5;
  int values[3] = {7, 7, 7};
  panel->check(&init, &quit, values);
  EXPECT_EQ(init, 1);
  EXPECT_EQ(quit, 0);
  EXPECT_EQ(marks(panel->signal_list), (std::vector<int>{0, 0, 0}));
  EXPECT_EQ(marks(panel->sticky_list), (std::vector<int>{1, 0, 0}));
  EXPECT_EQ(std::vector<int>(values, values + 3), (std::vector<int>{7, 7, 7}));
}

TEST_F(InputsPanel, QuitReadAtOnceLeavesInitAsItWas) {
  panel->signal_list->checked(2, 1);
  panel->quit_button->do_callback();
  int init = 9, quit = 0;
  int values[3] = {7, 7, 7};
  panel->check(&init, &quit, values);
  EXPECT_EQ(quit, 1);
  EXPECT_EQ(init, 9);
  EXPECT_EQ(marks(panel->signal_list), (std::vector<int>{0, 1, 0}));
  EXPECT_EQ(std::vector<int>(values, values + 3), (std::vector<int>{7, 7, 7}));
}

TEST_F(InputsPanel, WaitingClearsBothFlagsUntilQuit) {
  click_script script({[&] { panel->quit_button->do_callback(); }});
  script.start();
  int init = 9, quit = 0;
  int values[3] = {7, 7, 7};
  panel->check(&init, &quit, values);
  EXPECT_EQ(quit, 1);
  EXPECT_EQ(init, 0);
}

TEST_F(InputsPanel, ClosingTheWindowWhileWaitingIsQuit) {
  click_script script(close_then([&] { close_by_window_manager(panel->window); },
                                 [&] { panel->quit_button->do_callback(); }));
  script.start();
  int init = 9, quit = 0;
  int values[3] = {7, 7, 7};
  panel->check(&init, &quit, values);
  EXPECT_LT(script.done(), close_script_steps);
  EXPECT_EQ(quit, 1);
  EXPECT_EQ(std::vector<int>(values, values + 3), (std::vector<int>{7, 7, 7}));
}

TEST(StandalonePanels, DestroyedPanelsFreeTheirWindows) {
  auto inputs = std::make_unique<OFD_simulator_input>(200);
  auto outputs = std::make_unique<OFD_simulator_output>(200, "Sorties");
  Fl_Widget_Tracker inputs_window(inputs->window), outputs_window(outputs->window);
  inputs.reset();
  outputs.reset();
  EXPECT_TRUE(inputs_window.deleted());
  EXPECT_TRUE(outputs_window.deleted());
}

// The caller's form lives on: the panel's "+" and "-" must not call back
// into the panel once it is gone.
TEST(EmbeddedPanels, DestroyedOutputsPanelTakesItsWidgetsOutOfTheForm) {
  Fl_Window* form = fl_bgn_form(FL_FLAT_BOX, 600, 300);
  const int before = form->children();
  auto outputs = std::make_unique<OFD_simulator_output>(form, 300, 300, "Sorties");
  end_form();
  outputs->add("s0");
  ASSERT_GT(form->children(), before);
  outputs.reset();
  EXPECT_EQ(form->children(), before);
  for (const char* label : {"+", "-", "Sorties"}) {
    Fl_Widget* left = find_by_label(form, label);
    EXPECT_EQ(left, nullptr) << label;
    if (left) left->do_callback();
  }
  delete form;
}

TEST_F(InputsPanel, EvalShowsTheValuesUnlessQuitWasPressed) {
  int quit = 5;
  int values[3] = {1, 0, 1};
  panel->eval(&quit, values);
  EXPECT_EQ(quit, 0);
  EXPECT_EQ(marks(panel->signal_list), (std::vector<int>{1, 0, 1}));

  int others[3] = {0, 1, 0};
  panel->quit_button->do_callback();
  panel->eval(&quit, others);
  EXPECT_EQ(quit, 1);
  EXPECT_EQ(marks(panel->signal_list), (std::vector<int>{1, 0, 1}));

  panel->eval(&quit, others);  // nothing pressed
  EXPECT_EQ(quit, 0);
  EXPECT_EQ(marks(panel->signal_list), (std::vector<int>{0, 1, 0}));
}

TEST(EmbeddedPanels, WidgetsGoIntoTheCallersFormAtTheOffset) {
  Fl_Window* form = fl_bgn_form(FL_FLAT_BOX, 900, 300);
  {
    OFD_simulator_input inputs(form, 200, 300);
    OFD_simulator_output outputs(form, 620, 300, "Sorties");
    end_form();
    EXPECT_EQ(inputs.go_button->parent(), form);
    EXPECT_EQ(inputs.go_button->x(), 380);
    EXPECT_EQ(inputs.go_button->y(), 270);  // y downwards
    EXPECT_EQ(inputs.sticky_list->x(), 410);
    EXPECT_EQ(outputs.my_plus_button()->x(), 770);
    EXPECT_EQ(outputs.browser->x(), 640);
    EXPECT_EQ(outputs.rows_per_page, 13);  // (300 - 85) / 16
    ASSERT_NE(find_by_label(form, "Sorties"), nullptr);
    outputs.add("s0");
    EXPECT_EQ(outputs.lamps[0]->x(), 627);
    EXPECT_EQ(outputs.lamps[12]->y(), 34 + 16 * 12);
  }
  delete form;
}

class OutputsPanel : public ::testing::Test {
 protected:
  // Height for ten rows: (245 - 85) / 16 = 10.
  void SetUp() override {
    panel = std::make_unique<OFD_simulator_output>(245, "Outputs");
    panel->window->wait_for_expose();
    settle();
  }
  void add(int n) {
    for (int i = 0; i < n; ++i) panel->add("s" + std::to_string(panel->signal_count));
  }
  std::vector<bool> lamps_shown() {
    std::vector<bool> shown;
    for (int i = 0; i < panel->rows_per_page; ++i) shown.push_back(panel->lamps[i]->visible());
    return shown;
  }
  // Colour of the middle of lamp row i, as the screen shows it.
  rgb lamp_pixel(int i) {
    settle();
    return pixel(panel->window, 12, 40 + 16 * i);
  }
  std::unique_ptr<OFD_simulator_output> panel;
};

TEST_F(OutputsPanel, NoSignalStaysOnPageZeroShowingNothing) {
  EXPECT_EQ(panel->rows_per_page, 10);
  panel->next_page();
  panel->previous_page();
  EXPECT_EQ(panel->page, 0);
  EXPECT_EQ(panel->browser->size(), 0);
  EXPECT_EQ(lamps_shown(), std::vector<bool>(10, false));
}

TEST_F(OutputsPanel, TwentyFiveSignalsOnPagesOfTen) {
  add(25);
  EXPECT_EQ(panel->page, 2);  // adding follows the new signal
  EXPECT_EQ(browser_lines(panel->browser), "s20;s21;s22;s23;s24;");
  panel->my_moins_button()->do_callback();
  EXPECT_EQ(panel->page, 1);
  EXPECT_EQ(browser_lines(panel->browser), "s10;s11;s12;s13;s14;s15;s16;s17;s18;s19;");
  EXPECT_EQ(lamps_shown(), std::vector<bool>(10, true));
  panel->my_moins_button()->do_callback();
  panel->my_moins_button()->do_callback();
  EXPECT_EQ(panel->page, 0);
  EXPECT_EQ(std::string(panel->browser->text(1)), "s0");

  panel->my_plus_button()->do_callback();
  EXPECT_EQ(panel->page, 1);
  panel->my_plus_button()->do_callback();
  EXPECT_EQ(panel->page, 2);
  panel->my_plus_button()->do_callback();
  EXPECT_EQ(panel->page, 2);
  EXPECT_EQ(browser_lines(panel->browser), "s20;s21;s22;s23;s24;");
  std::vector<bool> expected(10, false);
  for (int i = 0; i < 5; ++i) expected[i] = true;
  EXPECT_EQ(lamps_shown(), expected);
}

TEST_F(OutputsPanel, AddingFollowsByOnePageAtMost) {
  add(25);
  panel->previous_page();
  panel->previous_page();
  add(1);  // the 26th signal is on page 2; the panel moves from page 0 to 1
  EXPECT_EQ(panel->page, 1);
  EXPECT_EQ(std::string(panel->browser->text(1)), "s10");
}

TEST_F(OutputsPanel, LampColoursFollowTheValues) {
  add(4);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(lamp_pixel(i), rgb_of(FL_RED)) << "new lamp " << i;
  int values[4] = {1, 0, 2, -1};
  panel->eval(values);
  EXPECT_EQ(lamp_pixel(0), rgb_of(FL_BLUE));
  EXPECT_EQ(lamp_pixel(1), rgb_of(FL_YELLOW));
  EXPECT_EQ(lamp_pixel(2), rgb_of(FL_RED));
  EXPECT_EQ(lamp_pixel(3), rgb_of(FL_RED));
  EXPECT_EQ(panel->lamps[0]->color2(), FL_BLACK);
  add(1);
  EXPECT_EQ(lamp_pixel(0), rgb_of(FL_BLUE));
  EXPECT_EQ(lamp_pixel(4), rgb_of(FL_RED));  // red until eval gives its value
  int more[5] = {0, 0, 0, 0, 1};
  panel->eval(more);
  EXPECT_EQ(lamp_pixel(0), rgb_of(FL_YELLOW));
  EXPECT_EQ(lamp_pixel(4), rgb_of(FL_BLUE));
}

TEST_F(OutputsPanel, LampsOfTheCurrentPageShowItsSignals) {
  add(25);
  std::vector<int> values(25, 0);
  values[21] = 1;
  panel->eval(values.data());
  EXPECT_EQ(lamp_pixel(0), rgb_of(FL_YELLOW));
  EXPECT_EQ(lamp_pixel(1), rgb_of(FL_BLUE));
  panel->previous_page();
  EXPECT_EQ(lamp_pixel(1), rgb_of(FL_YELLOW));  // s11
  EXPECT_NE(lamp_pixel(5), rgb_of(FL_RED));
}

TEST(OutputsPanelLimits, TooLowForARowShowsNothingAndNeverFails) {
  OFD_simulator_output panel(100, "low");
  EXPECT_EQ(panel.rows_per_page, 0);
  for (const char* name : {"a", "b", "c"}) panel.add(name);
  int values[3] = {1, 0, 1};
  panel.eval(values);
  panel.next_page();
  panel.previous_page();
  panel.internal_colorise(0);
  EXPECT_EQ(panel.page, 0);
  EXPECT_EQ(panel.signal_count, 3);
  EXPECT_EQ(panel.browser->size(), 0);
}

TEST(OutputsPanelLimits, MoreSignalsThanLampsPageThroughTheRows) {
  Fl_Window* form = fl_bgn_form(FL_FLAT_BOX, 240, 245);
  {
    OFD_simulator_output panel(form, 0, 245, "many");
    end_form();
    const int n = OFD_simulator_output::max_lamps + 5;
    for (int i = 0; i < n; ++i) panel.add("s" + std::to_string(i));
    EXPECT_EQ(panel.page, (n - 1) / 10);
    std::vector<int> values(n, 1);
    panel.eval(values.data());
    EXPECT_EQ(panel.browser->size(), n % 10);
    EXPECT_EQ(std::string(panel.browser->text(1)), "s" + std::to_string(n - n % 10));
    EXPECT_EQ(panel.lamps[0]->color(), FL_BLUE);
    panel.internal_colorise(OFD_simulator_output::max_lamps + 3);  // no such row
    panel.internal_colorise(-1);
  }
  delete form;
}
