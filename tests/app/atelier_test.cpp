#include <gtest/gtest.h>

#include "app/corvan.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>

#include <string>

namespace {

struct expected_button {
  Fl_Button* atelier_class::*member;
  int x, y, w, h;
  const char* label;
};

const expected_button buttons[] = {
    {&atelier_class::about_button, 770, 410, 80, 30, "a propos"},
    {&atelier_class::quit_button, 820, 510, 80, 30, "quit"},
    {&atelier_class::intervention_button, 720, 510, 80, 30, "interv."},
    {&atelier_class::piece_button, 720, 470, 80, 30, "piece"},
    {&atelier_class::ac_button, 720, 110, 70, 20, "AC"},
    {&atelier_class::dc_button, 720, 80, 70, 20, "DC"},
    {&atelier_class::lid_button, 820, 470, 80, 30, "couvercle"},
    {&atelier_class::pv_button, 720, 260, 70, 20, "PV"},
    {&atelier_class::atu_button, 720, 140, 70, 20, "ATU"},
    {&atelier_class::init_button, 720, 50, 70, 20, "INIT"},
    {&atelier_class::redraw_button, 750, 320, 130, 50, "REDESSINER"},
};

Fl_Widget* child_labelled(Fl_Group* g, const std::string& label) {
  for (int i = 0; i < g->children(); ++i)
    if (g->child(i)->label() && label == g->child(i)->label()) return g->child(i);
  return nullptr;
}

}  // namespace

TEST(WorkstationWindow, WindowAndDrawingArea) {
  atelier_class atelier;
  EXPECT_EQ(atelier.window->w(), 940);
  EXPECT_EQ(atelier.window->h(), 560);
  EXPECT_STREQ(atelier.window->label(), "vorlak");
  EXPECT_EQ(atelier.window->box(), FL_NO_BOX);
  EXPECT_EQ(atelier.window->user_data(), &atelier);
  EXPECT_FALSE(atelier.window->shown());

  Fl_Widget* background = atelier.window->child(0);
  EXPECT_EQ(background->box(), FL_UP_BOX);
  EXPECT_EQ(background->w(), 940);
  EXPECT_EQ(background->h(), 560);

  Fl_Box* d = atelier.drawing_box;
  EXPECT_EQ(d->x(), 10);
  EXPECT_EQ(d->y(), 10);
  EXPECT_EQ(d->w(), 690);
  EXPECT_EQ(d->h(), 380);
  EXPECT_EQ(d->box(), FL_ENGRAVED_BOX);
  EXPECT_EQ(d->color(), FL_BACKGROUND_COLOR);
  EXPECT_EQ(d->labelfont(), FL_TIMES);
  EXPECT_EQ(atelier.window->child(1), d);
}

TEST(WorkstationWindow, ButtonsAreWhereTheOperatorExpectsThem) {
  atelier_class atelier;
  for (const auto& e : buttons) {
    Fl_Button* b = atelier.*(e.member);
    SCOPED_TRACE(e.label);
    EXPECT_EQ(b->parent(), atelier.window);
    EXPECT_EQ(b->x(), e.x);
    EXPECT_EQ(b->y(), e.y);
    EXPECT_EQ(b->w(), e.w);
    EXPECT_EQ(b->h(), e.h);
    EXPECT_STREQ(b->label(), e.label);
    EXPECT_EQ(b->labelfont(), FL_TIMES);
    // No callbacks: a click only queues the button.
    EXPECT_EQ(b->callback(), &Fl_Widget::default_callback);
    EXPECT_EQ(b->type(), b == atelier.pv_button ? FL_TOGGLE_BUTTON : FL_NORMAL_BUTTON);
  }
}

TEST(WorkstationWindow, CaptionsAndLowerFrame) {
  atelier_class atelier;
  const struct {
    const char* label;
    int y;
  } captions[] = {{"arret cycle", 110}, {"depart cycle", 80}, {"panne ventouse", 260},
                  {"arret d'urgence", 140}, {"initialisation", 50}};
  for (const auto& c : captions) {
    SCOPED_TRACE(c.label);
    Fl_Widget* w = child_labelled(atelier.window, c.label);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->x(), 800);
    EXPECT_EQ(w->y(), c.y);
    EXPECT_EQ(w->w(), 80);
    EXPECT_EQ(w->h(), 20);
    EXPECT_EQ(w->box(), FL_FLAT_BOX);
    EXPECT_EQ(w->selection_color(), FL_LIGHT1);
    EXPECT_EQ(w->labelfont(), FL_TIMES);
    EXPECT_EQ(w->align(), FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
  }
  int frames = 0;
  for (int i = 0; i < atelier.window->children(); ++i) {
    Fl_Widget* w = atelier.window->child(i);
    if (w->box() != FL_ENGRAVED_FRAME) continue;
    ++frames;
    EXPECT_EQ(w->x(), 10);
    EXPECT_EQ(w->y(), 390);
    EXPECT_EQ(w->w(), 690);
    EXPECT_EQ(w->h(), 160);
    EXPECT_EQ(w->color(), FL_BLACK);
  }
  EXPECT_EQ(frames, 1);
  // Background, drawing box, 11 buttons, 5 captions, the lower frame.
  EXPECT_EQ(atelier.window->children(), 19);
}

TEST(WorkstationWindow, ClicksAreQueuedInOrder) {
  atelier_class atelier;
  while (Fl::readqueue()) {
  }
  atelier.piece_button->do_callback();
  atelier.dc_button->do_callback();
  EXPECT_EQ(Fl::readqueue(), atelier.piece_button);
  EXPECT_EQ(Fl::readqueue(), atelier.dc_button);
  EXPECT_EQ(Fl::readqueue(), nullptr);
}
