#pragma once
// The window's placement and the program's location in the user's settings ("WNDO", "WNDS",
// "PATH" in the settings file of organisation "Quorvex", application "Tavrel", in the INI
// format QSettings reads). Written when the window closes for whoever wants to know where and
// how the program last ran; the program does not read them back.
//
// The file is written by the program itself, not by QSettings: QSettings opens a FIFO put in
// its place and waits for ever, and its save reports success on a full disk after replacing the
// file with an empty one. Here the file goes through the program's atomic writer, and a path
// that is not a regular file is left alone.

#include "common/result.h"

#include <QRect>
#include <QString>

#include <string>

namespace tavrel::app {

enum class WindowState { Normal = 0, Minimised = 1, Maximised = 2 };

struct WindowPlacement {
    QRect geometry; // left, top, width, height in pixels
    WindowState state = WindowState::Normal;
    QString executablePath;
};

// Where the window opens and how far it may shrink, in logical pixels.
struct WindowFit {
    QSize first; // the client area
    QSize least;
    QPoint position; // of the frame's top left corner
};

// Fits the window onto a screen whose free area (without panels) is `available`, with `frame`
// for the border and title bar the window manager adds. The least size is what the layout
// needs (`layoutLeast`), raised to `designedLeast` where the screen has room for it; the first
// size is `designed`, shrunk to the free area but never below the least; the window stands in
// the middle of the free area, its top left corner never outside it.
WindowFit fitWindow(QSize designed, QSize designedLeast, QSize layoutLeast, const QRect& available,
                    QSize frame);

// Twips (1/1440 inch) as the settings store lengths: 15 per pixel.
inline constexpr int kTwipsPerPixel = 15;

// The user's settings file that QSettings("Quorvex", "Tavrel") uses
// (~/.config/Quorvex/Tavrel.conf, following XDG_CONFIG_HOME and Qt's test mode).
QString windowSettingsPath();

// The text of a settings file with the placement written into its general group: "WNDO" only
// while the window is in its normal state (so a maximised window keeps the last normal
// placement), then "WNDS" and "PATH". Every other line of `existing` is kept as it is.
std::string settingsTextWithPlacement(const std::string& existing,
                                      const WindowPlacement& placement);

// Writes the placement into the settings file at `path` (creating it and its folder when
// missing). A problem names the file: one that is not a regular file or cannot be read is left
// as it is, and a failed write keeps the previous file.
Outcome saveWindowSettings(const QString& path, const WindowPlacement& placement);

} // namespace tavrel::app
