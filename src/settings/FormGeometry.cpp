#include "settings/FormGeometry.h"

#include <limits>

namespace sonotape {

namespace {

bool Near(int value, int edge) { return edge - kSnapDistance < value && value < edge + kSnapDistance; }

}  // namespace

std::int32_t ScaleRounded(std::int32_t value, std::int32_t numerator, std::int32_t denominator) {
  if (denominator <= 0) {
    denominator = kDesignDpi;
  }
  const std::int64_t product = std::int64_t{value} * numerator;
  const std::int64_t half = denominator / 2;
  const std::int64_t rounded = product >= 0 ? (product + half) / denominator : -((-product + half) / denominator);
  if (rounded > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
  if (rounded < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(rounded);
}

void SnapToWorkArea(int& x, int& y, int width, int height, const WorkArea& work) {
  if (Near(x, work.left)) {
    x = work.left;
  } else if (Near(x, work.right - width)) {
    x = work.right - width;
  }
  if (Near(y, work.top)) {
    y = work.top;
  } else if (Near(y, work.bottom - height)) {
    y = work.bottom - height;
  }
}

bool FitRectToWorkArea(int& left, int& top, int width, int height, const WorkArea& work) {
  bool moved = false;
  if (std::int64_t{left} + width > work.right) {
    left = work.right - width;
    moved = true;
  }
  if (left < work.left) {
    left = work.left;
    moved = true;
  }
  if (std::int64_t{top} + height > work.bottom) {
    top = work.bottom - height;
    moved = true;
  }
  if (top < work.top) {
    top = work.top;
    moved = true;
  }
  return moved;
}

}  // namespace sonotape
