#pragma once

class QSlider;

namespace vesk::qt {

// While the observer drags the slider, its value shows in a tool tip at the handle, so a
// setting can be chosen exactly without letting go first.
void ShowValueWhileDragging(QSlider* slider);

}  // namespace vesk::qt
