#include "runner/blank_drawing.h"

#include <FL/Fl_Device.H>

namespace {

// Every drawing operation of the toolkit, done as nothing. Clipping, colour
// and font keep their bookkeeping, which widgets read back.
class nothing_drawn : public Fl_Graphics_Driver {
 public:
  void rect(int, int, int, int) override {}
  void rectf(int, int, int, int) override {}
  void xyline(int, int, int) override {}
  void xyline(int, int, int, int) override {}
  void xyline(int, int, int, int, int) override {}
  void yxline(int, int, int) override {}
  void yxline(int, int, int, int) override {}
  void yxline(int, int, int, int, int) override {}
  void line(int, int, int, int) override {}
  void line(int, int, int, int, int, int) override {}
  void draw(const char*, int, int, int) override {}
  void draw(int, const char*, int, int, int) override {}
  void rtl_draw(const char*, int, int, int) override {}
  void color(Fl_Color c) override { Fl_Graphics_Driver::color(c); }
  void color(uchar, uchar, uchar) override {}
  void point(int, int) override {}
  void loop(int, int, int, int, int, int) override {}
  void loop(int, int, int, int, int, int, int, int) override {}
  void polygon(int, int, int, int, int, int) override {}
  void polygon(int, int, int, int, int, int, int, int) override {}
  void begin_points() override {}
  void begin_line() override {}
  void begin_loop() override {}
  void begin_polygon() override {}
  void vertex(double, double) override {}
  void curve(double, double, double, double, double, double, double, double) override {}
  void circle(double, double, double) override {}
  void arc(double, double, double, double, double) override {}
  void arc(int, int, int, int, double, double) override {}
  void pie(int, int, int, int, double, double) override {}
  void end_points() override {}
  void end_line() override {}
  void end_loop() override {}
  void end_polygon() override {}
  void begin_complex_polygon() override {}
  void gap() override {}
  void end_complex_polygon() override {}
  void transformed_vertex(double, double) override {}
  void draw_image(const uchar*, int, int, int, int, int, int) override {}
  void draw_image_mono(const uchar*, int, int, int, int, int, int) override {}
  void draw_image(Fl_Draw_Image_Cb, void*, int, int, int, int, int) override {}
  void draw_image_mono(Fl_Draw_Image_Cb, void*, int, int, int, int, int) override {}
  void draw(Fl_RGB_Image*, int, int, int, int, int, int) override {}
  void draw(Fl_Pixmap*, int, int, int, int, int, int) override {}
  void draw(Fl_Bitmap*, int, int, int, int, int, int) override {}
};

}  // namespace

class blank_drawing::surface : public Fl_Surface_Device {
 public:
  surface() : Fl_Surface_Device(&driver) {}

 private:
  nothing_drawn driver;
};

blank_drawing::blank_drawing() : blank(std::make_unique<surface>()) { blank->set_current(); }

blank_drawing::~blank_drawing() { Fl_Display_Device::display_device()->set_current(); }
