#include "app/view_commands.h"

#include "app/controller.h"
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

ViewCommands::ViewCommands(SimulationController& controller) : controller_(controller) {}

bool ViewCommands::toggle(ViewToggle which) const {
    return toggleOf(controller_.pattern_.view, which);
}

void ViewCommands::setToggle(ViewToggle which, bool on) {
    toggleOf(controller_.pattern_.view, which) = on;
    if (which != ViewToggle::FourIndex) {
        emit controller_.changed(Change::Picture);
        return;
    }
    // The list and the clicked text write the indices anew.
    controller_.showPicked();
    emit controller_.changed(Change::List | Change::Selection | Change::Picture | Change::Status);
}

int ViewCommands::zoneAxisIndex() const {
    return controller_.pattern_.view.zoneAxisIndex;
}

void ViewCommands::setZoneAxisIndex(int largest) {
    controller_.pattern_.view.zoneAxisIndex = std::clamp(largest, 1, 6);
    emit controller_.changed(Change::Picture);
}

void ViewCommands::selectColourScheme(int scheme) {
    tavrel::selectColourScheme(controller_.pattern_.colours, scheme);
    emit controller_.changed(Change::Picture);
}

void ViewCommands::setBaseColour(int which, Rgb colour) {
    auto& base = controller_.pattern_.colours.baseColours;
    if (which < 0 || which >= static_cast<int>(base.size())) return;
    base[static_cast<std::size_t>(which)] = colour;
    emit controller_.changed(Change::Picture);
}

void ViewCommands::resetColours() {
    ColourTable& colours = controller_.pattern_.colours;
    colours.baseColours = ColourTable{}.baseColours;
    tavrel::selectColourScheme(colours, 0);
    emit controller_.changed(Change::Picture);
}

void ViewCommands::fitToWindow() {
    tavrel::fitToWindow(controller_.pattern_, controller_.sim_.document);
    emit controller_.changed(Change::Picture);
}

void ViewCommands::setPatternScale(float scale) {
    if (!controller_.hasReflections() || !std::isfinite(scale) || scale <= 0) return;
    controller_.pattern_.view.patternScale = scale;
    emit controller_.changed(Change::Picture);
}

void ViewCommands::setThresholdPosition(int position) {
    setThreshold(controller_.sim_.document, thresholdOf(position));
    emit controller_.changed(Change::Picture);
}

void ViewCommands::switchLinesAndPoints() {
    if (!controller_.hasReflections()) return;
    bool& lines = controller_.pattern_.view.showLines;
    lines = !lines;
    emit controller_.changed(Change::Picture);
}

void ViewCommands::setPictureSize(int width, int height) {
    controller_.pattern_.width = std::max(1, width);
    controller_.pattern_.height = std::max(1, height);
}

void ViewCommands::setDragging(bool dragging) {
    if (dragging_ == dragging) return;
    dragging_ = dragging;
    // The picture a drag leaves standing is drawn again at full quality.
    if (!dragging) emit controller_.changed(Change::Picture);
}

} // namespace tavrel::app
