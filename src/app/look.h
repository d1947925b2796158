// The program's look: the Fusion style and an 11-pixel sans-serif font, so
// that the fixed-size window lays out the same on every desktop.
#pragma once

#include <QFont>

class QApplication;

namespace quorvan_app {

QFont ProgramFont();
void ApplyProgramLook(QApplication& app);

} // namespace quorvan_app
