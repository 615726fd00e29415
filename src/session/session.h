#pragma once
// One session: everything a run of the program (the window or one command line) works on. It is
// created once and passed by reference; nothing of it lives in globals.

#include "common/notifier.h"
#include "crystal/document.h"
#include "crystal/reflections.h"
#include "orientation/point_table.h"
#include "render/colour_table.h"
#include "render/view_state.h"
#include "spacegroup/space_group.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tavrel {

struct Folders {
    std::string program; // each ends with "/"
    std::string work;    // dump, report, symmetry listing
    std::string data;    // input files
    std::string image;   // pictures
};

// The d slider: whole-number positions, one step = 0.1 angstrom.
struct SliderState {
    int minimum = 0;
    int maximum = 0;
    int value = 0;
};

// The four panels of the status bar.
struct StatusPanels {
    std::array<std::string, 4> text;
    std::string nearestPoleTip; // tool tip of panel 2
};

// Which reflections are selected in the list (and drawn highlighted); index = reflection index.
class Selection {
public:
    void reset(std::size_t count) { selected_.assign(count, 0); }
    bool isSelected(std::size_t i) const { return i < selected_.size() && selected_[i]; }
    void set(std::size_t i, bool on) {
        if (i < selected_.size()) selected_[i] = on ? 1 : 0;
    }
    void toggle(std::size_t i) { set(i, !isSelected(i)); }
    void clear() { std::fill(selected_.begin(), selected_.end(), 0); }
    std::size_t size() const { return selected_.size(); }

private:
    std::vector<std::uint8_t> selected_;
};

using CancelCheck = std::function<bool()>;

class Session {
public:
    explicit Session(Notifier& notifier) : notifier(notifier) { engine.setNotifier(&notifier); }

    Notifier& notifier;
    DocumentFields fields;
    PatternDocument doc;
    SpaceGroupEngine engine;
    ReflectionList reflections;
    PointTable points; // the rotated reflection vectors
    ViewState view;
    ColourTable colours;
    PointerState pointer;
    SliderState slider;
    StatusPanels status;
    Selection selection;
    Folders folders;

    // Texts of the reflection list view, one row per reflection in list order:
    // "#", "hkl", "d", "Th (1)", "Th (2)".
    std::vector<std::array<std::string, 5>> reflectionView;

    // Inner size of the drawing area in drawing units.
    int canvasWidth = 850;
    int canvasHeight = 620;

    // Draws the pattern; every change of data, orientation or view ends by calling it.
    std::function<void()> redraw;
    void requestRedraw() {
        if (redraw) redraw();
    }
    // Scrolls the reflection list so that entry i + 1 (reflection i) is visible.
    std::function<void(std::int32_t entry)> showListEntry;
};

} // namespace tavrel
