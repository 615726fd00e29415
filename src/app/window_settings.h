#pragma once
// The window's placement and the program's location in the user's settings ("WNDO", "WNDS",
// "PATH" in the settings file of organisation "Quorvex", application "Tavrel", in the INI
// format QSettings reads). Written when the window closes; the next start opens the window
// where it was.
//
// The file is written by the program itself, not by QSettings: QSettings opens a FIFO put in
// its place and waits for ever, and its save reports success on a full disk after replacing the
// file with an empty one. Here the file goes through the program's atomic writer, and a path
// that is not a regular file is left alone.

#include "common/result.h"

#include <QRect>
#include <QString>

#include <optional>
#include <string>

namespace tavrel::app {

enum class WindowState { Normal = 0, Minimised = 1, Maximised = 2 };

struct WindowPlacement {
    // Left and top of the window's frame, width and height of its client area, in pixels: what
    // the window's move and resize take, so that a placement read back puts the window exactly
    // where it was whatever the frame the window manager adds.
    QRect geometry;
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
// needs (`layoutLeast`), raised to `designedLeast` where the screen has room for it. The first
// size is that of the `saved` placement (a WindowPlacement's geometry), else `designed`, shrunk
// to the free area but never below the least; the window stands where it was saved, moved into
// the free area as far as it lies outside (a screen that has gone, a smaller one), else in the
// middle of the free area, its top left corner never outside it.
WindowFit fitWindow(QSize designed, QSize designedLeast, QSize layoutLeast, const QRect& available,
                    QSize frame, const std::optional<QRect>& saved = std::nullopt);

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

// The placement a settings text holds: "WNDO" (four whole numbers of twips) and "WNDS" of its
// general group; none without a usable "WNDO" or with a size of less than a pixel.
std::optional<WindowPlacement> placementOfSettingsText(const std::string& text);
// The placement of the settings file at `path`; none when there is no regular file to read.
std::optional<WindowPlacement> readWindowSettings(const QString& path);

// Writes the placement into the settings file at `path` (creating it and its folder when
// missing). A problem names the file: one that is not a regular file or cannot be read is left
// as it is, and a failed write keeps the previous file.
Outcome saveWindowSettings(const QString& path, const WindowPlacement& placement);

} // namespace tavrel::app
