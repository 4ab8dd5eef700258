#include "forms/afficheur.h"

#include "forms/helpers.h"
#include "util/Stringpp.h"
#include "util/lists.h"

#include <FL/Fl.H>
#include <FL/Fl_Browser.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Window.H>
#include <FL/forms.H>

#include <climits>
#include <cstdlib>
#include <fstream>

namespace {

const std::size_t max_row = 161;  // characters of a browser row

// The commands' results are not checked: a missing program only shows nothing.
void run_command(const std::string& command) {
  int status = std::system(command.c_str());
  (void)status;
}

}  // namespace

// Screen filter

OFD_afficheur_filtre_affichage::OFD_afficheur_filtre_affichage(std::string* lines, int n)
    : line_count(n), lines(lines) {}

int OFD_afficheur_filtre_affichage::nb_pages() const {
  return static_cast<int>(page_starts(lines, line_count).size()) - 1;
}

std::string OFD_afficheur_filtre_affichage::visu_page(int p) {
  text.clear();
  std::vector<int> starts = page_starts(lines, line_count);
  if (p < 0 || static_cast<std::size_t>(p) >= starts.size()) return text;
  int visible = 0;
  for (int i = starts[p]; i < line_count && visible < lines_per_page; ++i) {
    text += visu_ligne(lines[i]) + "\n";
    if (visible_line(lines[i])) ++visible;
  }
  return text;
}

int OFD_afficheur_filtre_affichage::typeligne(const std::string& line) {
  return ::typeligne(line);
}

std::string OFD_afficheur_filtre_affichage::visu_ligne(const std::string& line) {
  switch (typeligne(line)) {
    case 1:
    case 2:
      read_columns(line, widths, flags);
      return "";
    case 3:
      return std::string(122, '-');
    default:
      break;
  }
  std::string row = "@f@S12 ";
  std::size_t start = 0;
  for (int k = 0;; ++k) {
    std::size_t width = k < max_columns ? widths[k] : 0;
    std::size_t close = line.find('#', start);
    if (close == std::string::npos) return row + line.substr(start, width);
    std::string field = line.substr(start, close - start);
    field.resize(width, ' ');
    row += field;
    start = close + 1;
  }
}

// Text filter

OFD_afficheur_filtre_texte::OFD_afficheur_filtre_texte(std::string* lines, int n)
    : line_count(n), lines(lines) {}

void OFD_afficheur_filtre_texte::imprime(std::ostream& f) {
  for (int i = 0; i < line_count; ++i) imprime_ligne(f, lines[i]);
}

void OFD_afficheur_filtre_texte::imprime_ligne(std::ostream& f, const std::string& line) {
  f << (typeligne(line) == 0 ? line : std::string(55, '-')) << '\n';
}

// Viewer

OFD_afficheur::OFD_afficheur(Fl_Window* parent, int english) : english(english), parent(parent) {
  window = fl_bgn_form(FL_NO_BOX, 820, 500);
  fl_add_box(FL_UP_BOX, 0, 0, 820, 500, "");
  browser = fl_add_browser(FL_HOLD_BROWSER, 10, 50, 800, 370, "");
  browser->box(FL_DOWN_BOX);
  browser->color(FL_BACKGROUND_COLOR);
  browser->labelfont(FL_TIMES);
  title_text = fl_add_text(FL_NORMAL_TEXT, 230, 20, 310, 20, "");
  title_text->labelsize(12);
  title_text->align(FL_ALIGN_INSIDE);
  title_text->labelfont(FL_HELVETICA_BOLD);
  title_text->labeltype(FL_NORMAL_LABEL);
  page_text = fl_add_text(FL_NORMAL_TEXT, 80, 20, 120, 20, "");
  next_button = add_form_button(270, 430, 120, 20, say("page suivante", "next page"));
  previous_button = add_form_button(270, 460, 120, 20, say("page precedente", "previous page"));
  cancel_button = add_form_button(40, 430, 90, 50, say("ANNULER", "CANCEL"));
  pdf_button = add_form_button(460, 430, 100, 50, say("fichier pdf", "pdf file"));
  text_button = add_form_button(660, 430, 100, 50, say("fichier texte", "text file"));
  page_input = fl_add_input(FL_NORMAL_INPUT, 150, 445, 40, 20, "");
  page_go_button = add_form_button(190, 445, 20, 20, "");
  end_form();
}

OFD_afficheur::~OFD_afficheur() { delete window; }

const char* OFD_afficheur::say(const char* french, const char* english_text) const {
  return english ? english_text : french;
}

void OFD_afficheur::set_parent_active(bool active) {
  if (!parent) return;
  if (active)
    parent->activate();
  else
    parent->deactivate();
}

void OFD_afficheur::activation(std::list<std::string>& lines, const std::string& title,
                               const std::string& viewer) {
  std::string* copy = array_convert(lines);
  activation(copy, static_cast<int>(lines.size()), title, viewer);
  delete[] copy;
}

void OFD_afficheur::activation(std::string* lines, int n, const std::string& title,
                               const std::string& viewer) {
  set_parent_active(false);
  if (lines) {
    pdf_viewer = viewer;
    page = 0;
    display_filter = OFD_afficheur_filtre_affichage(lines, n);
    print_filter = OFD_afficheur_filtre_impression(lines, n);
    text_filter = OFD_afficheur_filtre_texte(lines, n);
    visu_page();
    fl_set_object_Slabel(title_text, title, 81);
    fl_show_form(window, FL_PLACE_SIZE, FL_FULLBORDER, "");
    run();
    fl_hide_form(window);
  }
  set_parent_active(true);
}

void OFD_afficheur::run() {
  for (;;) {
    Fl::check();
    Fl_Widget* pressed = Fl::readqueue();
    // Closed by the window manager: the window is hidden, as by "ANNULER".
    if (pressed == cancel_button || !window->shown()) return;
    if (pressed == previous_button) {
      page_precedente();
    } else if (pressed == next_button) {
      page_suivante();
    } else if (pressed == pdf_button) {
      fichier_pdf();
    } else if (pressed == text_button) {
      fichier_texte();
    } else if (pressed == page_go_button) {
      long typed = Stol(page_input->value());
      page_numero(typed >= 1 && typed <= INT_MAX ? static_cast<int>(typed - 1) : -1);
    }
  }
}

void OFD_afficheur::visu_page() {
  std::string text = display_filter.visu_page(page);
  browser->clear();
  std::string row;
  for (char c : text) {
    if (c == '\n' || row.size() == max_row) {
      // A full row drops the character that comes next.
      browser->add(row.c_str());
      row.clear();
    } else {
      row += c;
    }
  }
  browser->show();
  std::string label = "page " + unslong2S(page + 1) + " / " +
                      unslong2S(display_filter.nb_pages() + 1) + "    ";
  fl_set_object_Slabel(page_text, label, 25);
  fl_set_Sinput(page_input, unslong2S(page + 1));
}

void OFD_afficheur::page_suivante() {
  if (page < display_filter.nb_pages()) {
    ++page;
    visu_page();
  }
}

void OFD_afficheur::page_precedente() {
  if (page > 0) {
    --page;
    visu_page();
  }
}

void OFD_afficheur::page_numero(int n) {
  if (n >= 0 && n <= display_filter.nb_pages()) {
    page = n;
    visu_page();
  }
}

void OFD_afficheur::fichier_texte() {
  {
    std::fstream f("tmp.txt", std::ios::out | std::ios::trunc);
    text_filter.imprime(f);
  }
  fl_show_Smessages(say("generation du fichier tmp.txt", "generation of tmp.txt file"));
}

void OFD_afficheur::fichier_pdf() {
  {
    std::fstream f("tmp.pdf", std::ios::out | std::ios::trunc);
    print_filter.imprime_pdf(f);
  }
  if (pdf_viewer.empty())
    fl_show_Smessages(say("generation du fichier tmp.pdf", "generation of tmp.pdf file"));
  else
    imprime_tmp_pdf();
}

void OFD_afficheur::imprime_tmp_pdf() {
  run_command("\"" + pdf_viewer + "\" tmp.pdf");
  run_command("rm tmp.pdf");
}

void OFD_afficheur::imprime_tmp_ps() {
  run_command("ps2pdf tmp.ps");
  run_command("acroread tmp.pdf");
  run_command("rm tmp.pdf");
  run_command("rm tmp.ps");
}

// Wait form

OFD_wait_form::OFD_wait_form(const std::string& message) {
  window = fl_bgn_form(FL_NO_BOX, 600, 60);
  fl_add_box(FL_UP_BOX, 0, 0, 600, 60, "");
  Fl_Widget* text = fl_add_text(FL_NO_BOX, 10, 10, 580, 40, "");
  text->align(FL_ALIGN_INSIDE);
  text->labelsize(FL_NORMAL_SIZE);
  text->copy_label(message.c_str());
  end_form();
  fl_show_form(window, FL_PLACE_SIZE, FL_FULLBORDER, "travail en cours ...");
  Fl::check();
}

OFD_wait_form::~OFD_wait_form() {
  fl_hide_form(window);
  delete window;
}
