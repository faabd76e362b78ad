#pragma once

namespace vesk::qt {

// Raises the station's scheduling priority so capture is not starved by other programs.
// Where the user may not raise it, nothing changes and nothing is said.
void RaiseProcessPriority();

}  // namespace vesk::qt
