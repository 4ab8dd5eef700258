// Thin helpers over FLTK and its Forms layer that take and give strings.
#pragma once

#include <FL/Enumerations.H>

#include <string>

class Fl_Button;
class Fl_Widget;

// fl_font(font, size), then the text in the box with the given alignment,
// symbols on, in the current colour.
void fl_drw_String(Fl_Align align, int x, int y, int w, int h, Fl_Color c, int size,
                   int font, const std::string& text);

void fl_show_Smessages(const std::string& text);
void fl_show_Salert(const std::string& text);
// 0 for the "no" button, 1 for "yes".
int fl_show_Squestion(const std::string& text, int);
// The text typed, "" when cancelled.
std::string fl_show_Sinput(const std::string& label, const std::string& value);
// The number typed; v when cancelled, when the answer is not a number or
// when it does not fit an int.
int fl_show_int(const char* label, int v);
double fl_show_double(const char* label, double v);
double fl_show_double(const std::string& label, double v);

// Copies text as the widget's label, cut to max characters when
// 0 <= max < its length.
void fl_set_object_Slabel(Fl_Widget* w, const std::string& text, int max);
// A Forms text widget aligned left, keeping its own copy of the label.
Fl_Widget* fl_add_Stext(Fl_Boxtype box, int x, int y, int w, int h, const std::string& label);
void fl_add_browser_Sline(Fl_Widget* browser, const std::string& line);
void fl_replace_browser_Sline(Fl_Widget* browser, int n, const std::string& line);
void fl_set_Sinput(Fl_Widget* input, const std::string& text);

// A modal, scrollable box of the text's lines, about columns characters wide
// (at least one, at most what the screen holds), with "save" (to a file
// chosen by the user) and "Quit"; closing the window counts as "Quit".
void fl_show_Sbigmessages(const std::string& text, int columns);

// Closes the form being built with fl_end_form, without the Forms flip of
// the y axis: every layout here is given with y downwards.
void end_form();

// The forms' normal button: Forms type 0, Times, size 10; its clicks go to
// the Forms queue unless it is given a callback.
Fl_Button* add_form_button(int x, int y, int w, int h, const char* label);
