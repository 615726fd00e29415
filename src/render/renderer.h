#pragma once
// DRAW: the only painting path. It draws the whole picture (poles or cone lines of every
// reflection in the current orientation, the highlighted lines of selected reflections, the
// overlays), writes the status texts and completes a pick requested by a click.

#include "render/cone_tracer.h"
#include "session/session.h"

#include <vector>

namespace tavrel {

class DrawingSurface;

// Drawing for the printer: lines and texts scaled by the print factor (except the
// stereographic projection with lines), thicker highlight pens, the printer's ring colour.
struct PrintContext {
    float printFactor = 1;
};

// Keeps the buffers of the cone samples from one redraw to the next; its results are those of
// a single loop over the rows in table order, whether or not sampling runs on several threads.
class Renderer {
public:
    explicit Renderer(int threads = 0); // 0: as many as the machine has cores

    void DRAW(Session& s, DrawingSurface& surface, const PrintContext* print = nullptr);

private:
    void drawOnce(Session& s, DrawingSurface& surface, const PrintContext* print);

    int threads_;
    std::vector<TracedCone> cones_;
    std::vector<std::size_t> tracedRows_;
};

// Toggles the selection of reflection list entry `entry` (entry i + 1 belongs to reflection i)
// and asks the list to show it.
void selectListEntry(Session& s, std::int32_t entry);

} // namespace tavrel
