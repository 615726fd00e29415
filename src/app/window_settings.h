#pragma once
// The window's placement and the program's location in the user's settings ("WNDO", "WNDS",
// "PATH" under organisation "Quorvex", application "Tavrel"). Written when the window closes
// for whoever wants to know where and how the program last ran; the program does not read them
// back.

#include <QRect>
#include <QString>

class QSettings;

namespace tavrel::app {

enum class WindowState { Normal = 0, Minimised = 1, Maximised = 2 };

struct WindowPlacement {
    QRect geometry; // left, top, width, height in pixels
    WindowState state = WindowState::Normal;
    QString executablePath;
};

// Twips (1/1440 inch) as the settings store lengths: 15 per pixel.
inline constexpr int kTwipsPerPixel = 15;

// "WNDO" only while the window is in its normal state (so a maximised window keeps the last
// normal placement), then "WNDS" and "PATH".
void saveWindowSettings(QSettings& settings, const WindowPlacement& placement);

} // namespace tavrel::app
