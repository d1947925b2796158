// The monitor of the virtual encoder, opened beside the main window and kept
// current after every operation of the window and every change another
// program saves in the shared state file. It opens with --virtual-encoder, or
// when the "Port" choice is the virtual encoder (at start-up or later).
#pragma once

#include "app/monitor_window.h"

#include <QObject>

#include <memory>

namespace quorvan_app {

class TForm1;

// The monitor of the form's virtual encoder, shown beside it; nullptr when
// the form's ports reach hardware.
std::unique_ptr<MonitorWindow> OpenVirtualEncoderMonitor(TForm1& form);

// Opens the monitor now when the form uses the virtual encoder, and when the
// user chooses it in "Port" later; the monitor then stays open.
class VirtualMonitorKeeper : public QObject {
    Q_OBJECT
public:
    explicit VirtualMonitorKeeper(TForm1& form);
    ~VirtualMonitorKeeper() override;
    MonitorWindow* monitor() const { return monitor_.get(); }

private:
    void open();

    TForm1& form_;
    std::unique_ptr<MonitorWindow> monitor_;
};

} // namespace quorvan_app
