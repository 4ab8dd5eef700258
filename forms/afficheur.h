// The paged message viewer: a modal window showing a message written in the
// line language page by page, and writing it as a text or a PDF file; its
// screen and text filters; and a small "work in progress" window.
#pragma once

#include "forms/message_lines.h"
#include "forms/print_filter.h"

#include <list>
#include <ostream>
#include <string>

class Fl_Browser;
class Fl_Button;
class Fl_Input;
class Fl_Widget;
class Fl_Window;

// Formats pages for the browser: "@f@S12 " (fixed font, size 12) then the
// fields in their columns; rules as 122 dashes; column lines as empty rows.
class OFD_afficheur_filtre_affichage {
 public:
  OFD_afficheur_filtre_affichage(std::string* lines = nullptr, int n = 0);

  // Number of the last page (0 for an empty message).
  int nb_pages() const;
  // The rows of page p, each ended by a line feed; "" beyond the last page.
  std::string visu_page(int p);
  std::string visu_ligne(const std::string& line);
  // The line's type, as the free function of the line language gives it.
  static int typeligne(const std::string& line);

  std::string text;
  // Kept from the last column line formatted, on whichever page it was.
  int widths[max_columns] = {};
  char flags[max_columns] = {};
  int line_count;
  std::string* lines;  // not owned
};

// Writes text lines unchanged and every other line as 55 dashes.
class OFD_afficheur_filtre_texte {
 public:
  OFD_afficheur_filtre_texte(std::string* lines = nullptr, int n = 0);

  void imprime(std::ostream& f);
  void imprime_ligne(std::ostream& f, const std::string& line);

  int line_count;
  std::string* lines;  // not owned
};

class OFD_afficheur {
 public:
  // english: 0 for French labels and messages. Builds the window, hidden.
  OFD_afficheur(Fl_Window* parent, int english);
  // Frees the window and its widgets.
  ~OFD_afficheur();
  OFD_afficheur(const OFD_afficheur&) = delete;
  OFD_afficheur& operator=(const OFD_afficheur&) = delete;

  // Shows the message until "ANNULER"/"CANCEL" or until its window is
  // closed, the parent inactive meanwhile.
  void activation(std::list<std::string>& lines, const std::string& title,
                  const std::string& pdf_viewer);
  void activation(std::string* lines, int n, const std::string& title,
                  const std::string& pdf_viewer);

  void visu_page();
  void page_suivante();
  void page_precedente();
  // n from 0; out of range does nothing.
  void page_numero(int n);
  // "tmp.txt" in the current directory.
  void fichier_texte();
  // "tmp.pdf" in the current directory, then shown with the viewer if any.
  void fichier_pdf();
  void imprime_tmp_pdf();
  void imprime_tmp_ps();

  int english;
  int page = 0;
  OFD_afficheur_filtre_affichage display_filter;
  OFD_afficheur_filtre_impression print_filter;
  OFD_afficheur_filtre_texte text_filter;
  std::string pdf_viewer;
  Fl_Window* window = nullptr;
  Fl_Window* parent;
  Fl_Widget* title_text = nullptr;
  Fl_Widget* page_text = nullptr;
  Fl_Browser* browser = nullptr;
  Fl_Button* previous_button = nullptr;
  Fl_Button* next_button = nullptr;
  Fl_Button* cancel_button = nullptr;
  Fl_Button* pdf_button = nullptr;
  Fl_Button* text_button = nullptr;
  Fl_Input* page_input = nullptr;
  Fl_Button* page_go_button = nullptr;

 private:
  const char* say(const char* french, const char* english_text) const;
  void set_parent_active(bool active);
  void run();
};

// Tells the user that work is in progress, from construction to destruction.
class OFD_wait_form {
 public:
  explicit OFD_wait_form(const std::string& message);
  ~OFD_wait_form();
  OFD_wait_form(const OFD_wait_form&) = delete;
  OFD_wait_form& operator=(const OFD_wait_form&) = delete;

  Fl_Window* window;
};
