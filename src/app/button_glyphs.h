#pragma once
// The two-state glyphs of the main window's buttons and the window icon, drawn in code
// (16 x 16 design grid, rendered sharp at 1x and 2x).

#include <QIcon>

enum class Glyph {
  Site,         // globe: open the service's site
  History,      // book: open a stored newsletter
  Find,         // magnifier
  SelectAll,    // selection frame around lines
  Copy,         // two sheets
  Print,        // printer
  Save,         // floppy disk
  FromBrowser,  // browser window handing out its address
  Read,         // arrow down into a tray
  Cancel,       // stop sign
  Back,         // arrow left
  Next,         // arrow right
  Join,         // two sheets becoming one
  JoinAll,      // stack of sheets
};

// Normal and disabled pixmaps of `glyph`.
QIcon GlyphIcon(Glyph glyph);

// The program's window icon: an open book on a blue tile.
QIcon WindowIcon();
