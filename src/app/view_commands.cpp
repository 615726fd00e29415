#include "app/view_commands.h"

#include "app/controller_state.h"
#include "session/threshold.h"

#include <algorithm>
#include <cmath>

namespace tavrel::app {

namespace {

bool& toggleOf(ViewState& v, ViewToggle which) {
    switch (which) {
    case ViewToggle::Stereographic:
        return v.viewStereographic;
    case ViewToggle::FilmOutline:
        return v.viewFilmOutline;
    case ViewToggle::Rings:
        return v.viewRings;
    case ViewToggle::Labels:
        return v.viewLabels;
    case ViewToggle::LightBackground:
        return v.lightBackground;
    case ViewToggle::ColourByIntensity:
        return v.colourByIntensity;
    case ViewToggle::ZoneAxes:
        return v.showZoneAxes;
    case ViewToggle::FourIndex:
        return v.fourIndex;
    }
    return v.viewLabels; // not reached: every toggle is named above
}

} // namespace

ViewCommands::ViewCommands(ControllerState& state) : state_(state) {}

bool ViewCommands::toggle(ViewToggle which) const {
    return toggleOf(state_.pattern.view, which);
}

void ViewCommands::setToggle(ViewToggle which, bool on) {
    toggleOf(state_.pattern.view, which) = on;
    if (which != ViewToggle::FourIndex) {
        state_.changed(Change::Picture);
        return;
    }
    // The list and the clicked text write the indices anew.
    state_.showPicked();
    state_.changed(Change::List | Change::Selection | Change::Picture | Change::Status);
}

int ViewCommands::zoneAxisIndex() const {
    return state_.pattern.view.zoneAxisIndex;
}

void ViewCommands::setZoneAxisIndex(int largest) {
    state_.pattern.view.zoneAxisIndex = std::clamp(largest, 1, 6);
    state_.changed(Change::Picture);
}

void ViewCommands::selectColourScheme(int scheme) {
    tavrel::selectColourScheme(state_.pattern.colours, scheme);
    state_.changed(Change::Picture);
}

void ViewCommands::setBaseColour(int which, Rgb colour) {
    auto& base = state_.pattern.colours.baseColours;
    if (which < 0 || which >= static_cast<int>(base.size())) return;
    base[static_cast<std::size_t>(which)] = colour;
    state_.changed(Change::Picture);
}

void ViewCommands::resetColours() {
    ColourTable& colours = state_.pattern.colours;
    colours.baseColours = ColourTable{}.baseColours;
    tavrel::selectColourScheme(colours, 0);
    state_.changed(Change::Picture);
}

void ViewCommands::fitToWindow() {
    tavrel::fitToWindow(state_.pattern, state_.sim.document);
    state_.changed(Change::Picture);
}

void ViewCommands::setPatternScale(float scale) {
    if (!state_.hasReflections() || !std::isfinite(scale) || scale <= 0) return;
    state_.pattern.view.patternScale = scale;
    state_.changed(Change::Picture);
}

void ViewCommands::setThresholdPosition(int position) {
    setThreshold(state_.sim.document, thresholdOf(position));
    state_.changed(Change::Picture);
}

void ViewCommands::switchLinesAndPoints() {
    if (!state_.hasReflections()) return;
    bool& lines = state_.pattern.view.showLines;
    lines = !lines;
    state_.changed(Change::Picture);
}

void ViewCommands::setPictureSize(int width, int height) {
    state_.pattern.width = std::max(1, width);
    state_.pattern.height = std::max(1, height);
}

void ViewCommands::setDragging(bool dragging) {
    if (dragging_ == dragging) return;
    dragging_ = dragging;
    // The picture a drag leaves standing is drawn again at full quality.
    if (!dragging) state_.changed(Change::Picture);
}

} // namespace tavrel::app
