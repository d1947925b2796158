// Ends that do not close the main window still save the settings: SIGTERM,
// SIGINT and SIGHUP (kill, Ctrl+C, the terminal going away), the desktop
// session asking the program to save its data, and the application quitting.
#pragma once

namespace quorvan_app {

class TForm1;

// Connects those ends to form.SaveSettingsNow() and form.EndSession().
void SaveOnSessionEnd(TForm1& form);

} // namespace quorvan_app
