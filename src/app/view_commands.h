#pragma once
// What the canvas shows of the document, and how: the view toggles of the View menu and the
// toolbar, the zone axes marked, the colours, the zoom, the d threshold of the drawn lines,
// lines or reciprocal-lattice points, the picture's size and whether a drag is drawing. The
// controller owns it beside its document commands and hands it the state they share; each
// command here ends, as those do, with the one change signal.

#include "render/colour_table.h"

namespace tavrel::app {

struct ControllerState;

// The view toggles of the View menu and the toolbar.
enum class ViewToggle {
    Stereographic,
    FilmOutline,
    Rings,
    Labels,
    LightBackground,
    ColourByIntensity,
    ZoneAxes,
    FourIndex, // Miller-Bravais indices for hexagonal cells
};

class ViewCommands {
public:
    explicit ViewCommands(ControllerState& state);

    bool toggle(ViewToggle which) const;
    // Four indices rewrite the list, the clicked text and the labels; the others only redraw.
    void setToggle(ViewToggle which, bool on);
    int zoneAxisIndex() const;
    // The largest index of the zone axes marked, 1 to 6.
    void setZoneAxisIndex(int largest);

    // The colour-scheme pane.
    void selectColourScheme(int scheme);
    // `which`: 0 dark background, 1 light background, 2 highlight of selected lines.
    void setBaseColour(int which, Rgb colour);
    // Black, white and red, and the grey scheme.
    void resetColours();

    void fitToWindow();
    // A scale that is not a finite positive number changes nothing; so does any while there
    // are no reflections.
    void setPatternScale(float scale);
    // The d slider at `position` (tenths of an angstrom): lines only above that spacing.
    void setThresholdPosition(int position);
    // Cone lines or reciprocal-lattice points (nothing while there are no reflections).
    void switchLinesAndPoints();
    // The canvas's logical size, at least 1 x 1; new lists are fitted to it.
    void setPictureSize(int width, int height);
    // While the pointer drags, pictures are drawn with fewer samples per line; the end of a
    // drag draws at full quality again.
    void setDragging(bool dragging);
    bool dragging() const { return dragging_; }

private:
    ControllerState& state_;
    bool dragging_ = false;
};

} // namespace tavrel::app
