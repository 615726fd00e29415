#pragma once
// What the window's controller and the command classes beside it share: the document and what
// the canvas shows of it, the status texts, the reflection a click named last, and the one
// change signal. Each command class works on this state alone, so that none of them needs the
// controller that owns them all.

#include "orientation/miller_indices.h"
#include "session/pattern_view.h"
#include "session/simulation.h"

#include <QFlags>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

namespace tavrel::app {

// Status bar panels, numbered as the user sees them.
// The orientation panel shows the Euler angles of the picture.
enum class StatusPanel { Count = 1, Pole = 2, Clicked = 3, Title = 4, Orientation = 5 };

// What a command changed, for whoever shows the document.
enum class Change : unsigned {
    Fields = 1u << 0,    // texts of the input fields
    List = 1u << 1,      // a new reflection list, or none
    Picture = 1u << 2,   // what the canvas shows
    Selection = 1u << 3, // the selected reflections
    Status = 1u << 4,    // status bar texts
    Strengths = 1u << 5, // the atoms and the line strengths of the list
    Underlay = 1u << 6,  // the recorded pattern under the lines and how it is shown
};
Q_DECLARE_FLAGS(Changes, Change)

struct ControllerState {
    Simulation sim;
    PatternView pattern;
    std::array<QString, 5> status;
    std::optional<std::int32_t> picked;
    // The clicked panel speaks of the orientation (a zone axis on the beam or near a click, an
    // indexed or refined orientation), which the next turn makes untrue.
    bool orientationNote = false;
    // The controller's change signal; every command that changed something ends with it.
    std::function<void(Changes)> announce;

    bool hasReflections() const { return sim.reflections.generated; }
    // Four indices are asked for and the document's cell is hexagonal.
    bool showsFourIndices() const;
    void setStatus(StatusPanel panel, QString text);
    // The clicked panel names the reflection a click picked, if any.
    void showPicked();
    // The clicked panel says the zone axis `axis` lies on the viewing axis.
    void showZone(const IndexTriple& axis);
    // The clicked panel's text about the orientation goes once the crystal turns; true when
    // there was one.
    bool clearOrientationNote();
    // The orientation field as Euler angles of the orientation shown, so that the next
    // simulation starts from it: after the commands that set an orientation other than by the
    // field (zone axes, tilts, refining, indexing; turns by key and pointer leave the field as
    // typed). False, and nothing written, while there is no orientation.
    bool writeOrientationField();
    void changed(Changes what) const {
        if (announce) announce(what);
    }
};

} // namespace tavrel::app

Q_DECLARE_OPERATORS_FOR_FLAGS(tavrel::app::Changes)
