// SIGTERM, SIGINT and SIGHUP turned into an event the program's own loop can
// wait for, so that an end that does not close the window (kill, Ctrl+C, the
// desktop session or terminal going away) still saves the settings: the loop
// sees fd() become readable, calls take(), saves with saveSettingsFile() and
// quits in the normal way. The handler itself only writes one byte to a pipe.
#pragma once

namespace quorvan {

class TerminationSignals {
public:
    // Installs the handlers (again is harmless). False when the pipe cannot be made.
    static bool install();
    // Puts back the handlers that were there before install().
    static void uninstall();
    // The read end of the pipe (-1 before install()); readable while a signal is pending.
    static int fd();
    // The last signal that arrived since the previous take(), or 0; empties the pipe.
    static int take();
};

} // namespace quorvan
