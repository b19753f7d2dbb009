// `kszw --screenshot VIEW OUT.png`: the program logs in to a year data file without the login
// dialog, brings itself into the state a view name describes (a command run, a dialog filled,
// keys typed), and writes a picture of its main window, or of the dialog in front of it, to a PNG.
// The pictures of the user guide are made this way (scripts/guide-pictures.sh).
//
// The run keeps its settings in memory (the user's last file and operator stay as they were),
// registers no file type, and leaves the year file as it was: every dialog is cancelled after its
// picture unless the view needs it confirmed, and nothing typed is saved.
#pragma once

#include <QString>
#include <QStringList>

namespace kszw {

// The view names, in the order the guide uses them.
QStringList screenshotViews();

// Runs `--screenshot` with the arguments that follow it on the command line:
//   VIEW OUT.png [--file FILE] [--operator OP] [--password P] [--size WxH] [--date YYYYMMDD]
// Needs the application object (on the offscreen platform for a run without a display). Returns
// the exit status: 0 the picture was written, 1 it failed (told on stderr), 2 bad usage.
int runScreenshot(const QStringList& arguments);

} // namespace kszw
