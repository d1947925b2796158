#include "app/virtual_monitor.h"

#include "app/form1.h"

namespace quorvan_app {

std::unique_ptr<MonitorWindow> OpenVirtualEncoderMonitor(TForm1& form)
{
    quorvan::VirtualEncoder* encoder = form.VirtualEncoder();
    if (encoder == nullptr)
        return nullptr;
    auto monitor = std::make_unique<MonitorWindow>(*encoder, form.RBPTYC->itemIndex());
    monitor->setSharing(form.VirtualSharing());
    MonitorWindow* m = monitor.get();
    QObject::connect(&form, &TForm1::operationFinished, m, &MonitorWindow::refresh);
    // What the window's own operations leave on air is known; what another
    // program changes goes into the fields.
    form.RememberOnAir(encoder->ramImage());
    QObject::connect(&form, &TForm1::operationFinished, &form,
                     [&form, encoder] { form.RememberOnAir(encoder->ramImage()); });
    QObject::connect(m, &MonitorWindow::encoderChanged, &form,
                     [&form, encoder] { form.LoadOnAirChange(encoder->ramImage()); });
    QObject::connect(form.RBPTYC, &RadioGroup::clicked, m,
                     [m, &form] { m->setPTYCoding(form.RBPTYC->itemIndex()); });
    monitor->placeBeside(form);
    monitor->show();
    return monitor;
}

VirtualMonitorKeeper::VirtualMonitorKeeper(TForm1& form) : form_(form)
{
    open();
    connect(form.RGPORT, &RadioGroup::clicked, this, &VirtualMonitorKeeper::open);
}

VirtualMonitorKeeper::~VirtualMonitorKeeper() = default;

void VirtualMonitorKeeper::open()
{
    if (!monitor_)
        monitor_ = OpenVirtualEncoderMonitor(form_);
}

} // namespace quorvan_app
