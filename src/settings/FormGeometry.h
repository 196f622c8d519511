#pragma once
// The arithmetic of the tool window's placement: DPI scaling of stored sizes and constraints,
// snapping to the work area while dragged, and fitting into the nearest monitor's work area.

#include <cstdint>

namespace sonotape {

struct WorkArea {
  int left, top, right, bottom;
};

inline constexpr int kDesignDpi = 96;
inline constexpr int kSnapDistance = 16;

// value × numerator ÷ denominator with a 64-bit product, rounded to nearest (halves away from
// zero); a denominator of 0 or below (a broken stored DPI) counts as the design DPI.
std::int32_t ScaleRounded(std::int32_t value, std::int32_t numerator, std::int32_t denominator);

// A size constraint designed at 96 DPI, for the target DPI.
inline std::int32_t ScaleConstraint(std::int32_t value, std::int32_t targetDpi) {
  return ScaleRounded(value, targetDpi, kDesignDpi);
}

// The proposed position moved onto a work-area edge that lies less than kSnapDistance away.
void SnapToWorkArea(int& x, int& y, int width, int height, const WorkArea& work);

// Moves the rectangle into the work area (its left and top edges win when it is larger);
// true when anything moved.
bool FitRectToWorkArea(int& left, int& top, int width, int height, const WorkArea& work);

}  // namespace sonotape
