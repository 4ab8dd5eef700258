#include "runner/window_png.h"

#include <X11/Xutil.h>
#include <png.h>

#include <cstring>
#include <vector>

namespace {

// Position of the lowest set bit, to turn a channel mask into a shift.
int shift_of(unsigned long mask) {
  int s = 0;
  while (mask && !(mask & 1)) {
    mask >>= 1;
    ++s;
  }
  return s;
}

}  // namespace

namespace {

// The window's pixels as a PNG image, written by `write`.
template <typename Writer>
std::string write_window_png(Display* display, Window window, Writer write) {
  XWindowAttributes attr;
  if (!XGetWindowAttributes(display, window, &attr)) return "no such window";
  XImage* img = XGetImage(display, window, 0, 0, attr.width, attr.height, AllPlanes, ZPixmap);
  if (!img) return "cannot read the window";
  std::vector<unsigned char> rgb(static_cast<size_t>(attr.width) * attr.height * 3);
  int rs = shift_of(img->red_mask), gs = shift_of(img->green_mask), bs = shift_of(img->blue_mask);
  for (int y = 0; y < attr.height; ++y)
    for (int x = 0; x < attr.width; ++x) {
      unsigned long p = XGetPixel(img, x, y);
      unsigned char* o = &rgb[(static_cast<size_t>(y) * attr.width + x) * 3];
      o[0] = static_cast<unsigned char>((p & img->red_mask) >> rs);
      o[1] = static_cast<unsigned char>((p & img->green_mask) >> gs);
      o[2] = static_cast<unsigned char>((p & img->blue_mask) >> bs);
    }
  XDestroyImage(img);

  png_image png;
  std::memset(&png, 0, sizeof png);
  png.version = PNG_IMAGE_VERSION;
  png.width = attr.width;
  png.height = attr.height;
  png.format = PNG_FORMAT_RGB;
  return write(png, rgb.data());
}

}  // namespace

std::string save_window_png(Display* display, Window window, const std::string& path) {
  return write_window_png(display, window, [&](png_image& png, const unsigned char* rgb) -> std::string {
    if (!png_image_write_to_file(&png, path.c_str(), 0, rgb, 0, nullptr))
      return std::string("cannot write ") + path + ": " + png.message;
    return "";
  });
}

std::string window_png(Display* display, Window window, std::string& bytes) {
  return write_window_png(display, window, [&](png_image& png, const unsigned char* rgb) -> std::string {
    png_alloc_size_t size = 0;
    // The first call measures, the second writes.
    if (png_image_write_to_memory(&png, nullptr, &size, 0, rgb, 0, nullptr)) {
      bytes.resize(size);
      if (png_image_write_to_memory(&png, bytes.data(), &size, 0, rgb, 0, nullptr)) {
        bytes.resize(size);
        return "";
      }
    }
    return std::string("cannot make a PNG: ") + png.message;
  });
}
