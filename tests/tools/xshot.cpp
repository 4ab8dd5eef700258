// xshot <window id | root> <file.png>: saves what an X window shows as a PNG.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
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

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: xshot <window id | root> <file.png>\n");
    return 2;
  }
  Display* d = XOpenDisplay(nullptr);
  if (!d) {
    std::fprintf(stderr, "xshot: no X display\n");
    return 1;
  }
  Window win = std::strcmp(argv[1], "root") == 0 ? DefaultRootWindow(d)
                                                 : std::strtoul(argv[1], nullptr, 0);
  XWindowAttributes attr;
  if (!XGetWindowAttributes(d, win, &attr)) {
    std::fprintf(stderr, "xshot: no window %s\n", argv[1]);
    return 1;
  }
  XImage* img = XGetImage(d, win, 0, 0, attr.width, attr.height, AllPlanes, ZPixmap);
  if (!img) {
    std::fprintf(stderr, "xshot: cannot read window %s\n", argv[1]);
    return 1;
  }
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
  XCloseDisplay(d);

  png_image png;
  std::memset(&png, 0, sizeof png);
  png.version = PNG_IMAGE_VERSION;
  png.width = attr.width;
  png.height = attr.height;
  png.format = PNG_FORMAT_RGB;
  if (!png_image_write_to_file(&png, argv[2], 0, rgb.data(), 0, nullptr)) {
    std::fprintf(stderr, "xshot: cannot write %s: %s\n", argv[2], png.message);
    return 1;
  }
  return 0;
}
