// The program's pictures, drawn at run time: the program icon (tray, splash,
// "About") and the pictures of the "Send", "Store" and "Receive" buttons.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace quorvan_app {

QPixmap ProgramPixmap(int size = 32);
QIcon ProgramIcon();

enum class Command { Send, Store, Receive };
QIcon CommandIcon(Command command);

} // namespace quorvan_app
