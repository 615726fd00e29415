#pragma once
// A simulation: the document (the input fields as typed and the values read from them) and its
// results (the space group, the reflection list, the reflections turned into the view frame).
// The window and each command-line command own one; what they show of it (scale, toggles,
// colours, selection, picture size) is theirs, see PatternView. The operations on it return what
// the user may need to be told; none of them talks to the user.

#include "crystal/document.h"
#include "crystal/reflections.h"
#include "orientation/point_table.h"
#include "spacegroup/space_group.h"

#include <functional>

namespace tavrel {

struct Simulation {
    DocumentFields fields;
    PatternDocument document;
    SpaceGroup group; // the setting the document was last read in
    ReflectionList reflections;
    PointTable points; // the reflection vectors in the view frame
};

// Where the reflection list on show came from.
enum class NewList {
    Generated, // from the document
    Loaded,    // taken from a reflection file as it stands
    Cleared,   // none ("New")
};

// Asked after every hkl triple of a generation; true ends the loops.
using CancelCheck = std::function<bool()>;

} // namespace tavrel
