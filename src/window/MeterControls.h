#pragma once
// The level meters' window classes: a panel that holds a meter for each channel, stacks the ones
// shown to fill it and passes their clicks and colour requests on to its parent; and the meter,
// which draws its reading (a bar from -60 to 0 dBFS, the peak hold and the clip mark) and whose
// window text is the reading's text, for screen readers.

#include <windows.h>

#include "recorder/MeterState.h"

namespace sonotape {

inline constexpr char kMeterPanelClass[] = "SonotapeMeters";
inline constexpr char kMeterClass[] = "SonotapeMeter";

// Registers both classes in module once; false when they cannot be.
bool RegisterMeterClasses(HINSTANCE module);
// The meter of channel in panel (its id is mtrChannel + channel).
HWND MeterOf(HWND panel, unsigned channel);
// Shows the first count meters of panel, stacked, and hides the others.
void ShowMeters(HWND panel, unsigned count);
void SetMeterReading(HWND meter, const MeterReading& reading);

}  // namespace sonotape
