#include "objects/movepart_manager.h"

#include "forms/draw.h"
#include "objects/movepart.h"

#include <algorithm>
#include <cstdlib>
#include <iostream>

namespace {

// Collision truncates the offset, then its sum with the element coordinate;
// occupancy truncates both apart. Neither rounds as the drawing does: a part
// may be tested a pixel away from where it shows, and any other conversion
// moves the edges that sensors and stops see by a pixel.
int trunc_int(double v) { return static_cast<int>(v); }

}  // namespace

movepart_manager::movepart_manager() : part_count(0), parts() {}

void movepart_manager::addpart(movepart* part) {
  if (part_count >= capacity) {
    std::cerr << "too many part !" << std::endl;
    std::exit(1);
  }
  parts[part_count++] = part;
}

void movepart_manager::suppart(movepart* part) {
  movepart** end = std::remove(parts, parts + part_count, part);
  part_count = static_cast<int>(end - parts);
}

// Edges are exclusive: parts that only share an edge or a corner do not
// overlap, so they may rest against each other.
bool movepart_manager::overlap(const movepart& a, const movepart& b) {
  const int ax = trunc_int(a.xoffset);
  const int ay = trunc_int(a.yoffset);
  const int bx = trunc_int(b.xoffset);
  const int by = trunc_int(b.yoffset);
  for (size_t i = 0; i < a.xlist.size(); ++i) {
    const int x1 = trunc_int(a.xlist[i] + ax);
    const int y1 = trunc_int(a.ylist[i] + ay);
    const int x2 = x1 + a.wlist[i];
    const int y2 = y1 + a.hlist[i];
    for (size_t k = 0; k < b.xlist.size(); ++k) {
      const int a1 = trunc_int(b.xlist[k] + bx);
      const int b1 = trunc_int(b.ylist[k] + by);
      const int a2 = a1 + b.wlist[k];
      const int b2 = b1 + b.hlist[k];
      if (b2 > y1 && y2 > b1 && a2 > x1 && x2 > a1) return true;
    }
  }
  return false;
}

int movepart_manager::collision(movepart* part) {
  const int r = static_cast<int>(std::find(parts, parts + part_count, part) - parts);
  if (r == part_count) {
    std::cerr << "collision: erreur interne !" << std::endl
              << static_cast<const void*>(part) << std::endl;
    std::exit(1);
  }
  for (int j = 0; j < part_count; ++j)
    if (j != r && overlap(*parts[j], *part)) return 1;
  return 0;
}

int movepart_manager::busy_position(int x, int y) {
  for (int i = 0; i < part_count; ++i) {
    const movepart& p = *parts[i];
    const int pix = trunc_int(p.xoffset);
    const int piy = trunc_int(p.yoffset);
    for (size_t k = 0; k < p.xlist.size(); ++k) {
      const int x1 = trunc_int(p.xlist[k]) + pix;
      const int y1 = trunc_int(p.ylist[k]) + piy;
      if (y1 <= y && y <= y1 + p.hlist[k] && x1 <= x && x <= x1 + p.wlist[k]) return 1;
    }
  }
  return 0;
}

int movepart_manager::busy_position_debug(int x, int y) {
  fl_line(x - 50, y, x + 50, y, FL_BLACK);
  fl_line(x, y - 50, x, y + 50, FL_BLACK);
  return busy_position(x, y);
}

void movepart_manager::draw() {
  for (int i = 0; i < part_count; ++i)
    if (parts[i]) parts[i]->draw();
}

void movepart_manager::parts_fall() {
  for (int i = 0; i < part_count; ++i)
    if (parts[i] && parts[i]->is_linked() == 0) parts[i]->fall();
}
