// The user guide shown on the "Help" page.
#pragma once

#include <QString>
#include <QSysInfo>

namespace quorvan_app {

QString HelpText();

// The title of the "About" group: "Quorvan for " and the name of the
// operating system the program runs on, from its kernel type as Qt reports
// it ("linux" gives "Quorvan for Linux"); an unknown kernel is named as reported.
QString AboutTitle(const QString& kernelType = QSysInfo::kernelType());

} // namespace quorvan_app
