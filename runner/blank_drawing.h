// A drawing surface that draws nothing. A run no one looks at then spends
// no time in the X server, while the line moves exactly as when drawn:
// drawing never decides what the line does.
#pragma once

#include <memory>

class blank_drawing {
 public:
  // From now on every drawing goes nowhere...
  blank_drawing();
  // ...until then: the display is the surface again.
  ~blank_drawing();
  blank_drawing(const blank_drawing&) = delete;
  blank_drawing& operator=(const blank_drawing&) = delete;

 private:
  class surface;
  std::unique_ptr<surface> blank;
};
