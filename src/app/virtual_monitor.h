// With --virtual-encoder: the monitor of the virtual encoder, opened beside
// the main window and kept current after every operation of the window and
// every change another program saves in the shared state file.
#pragma once

#include "app/monitor_window.h"

#include <memory>

namespace quorvan_app {

class TForm1;

// The monitor of the form's virtual encoder, shown beside it; nullptr when
// the form's ports reach hardware.
std::unique_ptr<MonitorWindow> OpenVirtualEncoderMonitor(TForm1& form);

} // namespace quorvan_app
