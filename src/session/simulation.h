#pragma once
// A simulation: the document (the input fields as typed and the values read from them) and its
// results (the space-group engine set to its group, the reflection list, the reflections turned
// into the view frame). The window and each command-line command own one; what they show of it
// (scale, toggles, colours, selection, picture size) is theirs, see PatternView.

#include "common/notifier.h"
#include "crystal/document.h"
#include "crystal/reflections.h"
#include "orientation/point_table.h"
#include "spacegroup/space_group.h"

#include <functional>
#include <vector>

namespace tavrel {

// What an operation changed, for whoever shows the simulation.
enum class SimulationChange {
    Generated, // a new reflection list from the document
    Loaded,    // a reflection list taken from a reflection file as it stands
    Cleared,   // no reflections ("New")
    Turned,    // the same reflections in another orientation
};

// Asked after every hkl triple of a generation; true ends the loops.
using CancelCheck = std::function<bool()>;

class Simulation {
public:
    explicit Simulation(Notifier& notifier) : notifier_(&notifier) {
        engine.setNotifier(&notifier);
    }
    // A copy reports to the same notifier and tells nobody of its changes.
    Simulation(const Simulation& other);
    Simulation& operator=(const Simulation&) = delete;

    Notifier& notifier() const { return *notifier_; }

    DocumentFields fields;
    PatternDocument document;
    SpaceGroupEngine engine;
    ReflectionList reflections;
    PointTable points; // the reflection vectors in the view frame

    using Listener = std::function<void(SimulationChange)>;
    void addListener(Listener listener) { listeners_.push_back(std::move(listener)); }
    void announce(SimulationChange change) const {
        for (const Listener& l : listeners_) l(change);
    }

private:
    Notifier* notifier_;
    std::vector<Listener> listeners_;
};

inline Simulation::Simulation(const Simulation& other)
    : fields(other.fields), document(other.document), engine(other.engine),
      reflections(other.reflections), points(other.points), notifier_(other.notifier_) {}

} // namespace tavrel
