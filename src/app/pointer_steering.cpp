#include "app/pointer_steering.h"

#include "app/controller.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace tavrel::app {

namespace {

// A right press that moves less than this, and changes nothing, still asks for the popup.
constexpr double kPopupSlack = 3.0;

float asFloat(double v) {
    return static_cast<float>(v);
}

} // namespace

PointerSteering::PointerSteering(SimulationController& controller) : controller_(controller) {}

float PointerSteering::pictureWidth() const {
    return static_cast<float>(controller_.pattern().width);
}

bool PointerSteering::stereographic() const {
    return controller_.pattern().view.viewStereographic;
}

std::optional<PointerLook> PointerSteering::press(PointerButton button, QPointF at) {
    if (!controller_.hasReflections()) return std::nullopt;
    pressed_ = true;
    dragging_ = false;
    dragMoved_ = false;
    last_ = down_ = at;
    zoomStartScale_ = controller_.pattern().view.patternScale;
    if (button == PointerButton::Left) return PointerLook::Normal;
    const bool zooms =
        button == PointerButton::Right && !stereographic() && at.x() > pictureWidth() / 2;
    return zooms ? PointerLook::Zoom : PointerLook::Turn;
}

std::optional<PointerLook> PointerSteering::move(bool left, bool right, QPointF at) {
    if (!pressed_ || !controller_.hasReflections()) return std::nullopt;
    if (!left && !right) return std::nullopt;
    const double halfWidth = pictureWidth() / 2.0;
    if (!dragging_) {
        dragging_ = true;
        controller_.view().setDragging(true);
    }
    const QPointF step = at - last_;
    if (left) {
        last_ = at;
        dragMoved_ = true;
        controller_.turnByDrag(asFloat(step.x() / 2), asFloat(step.y() / 2));
        return PointerLook::Move;
    }
    if (at.x() < halfWidth || stereographic()) {
        double degrees = step.y() / 2 + step.x() / 2;
        if (at.x() > halfWidth) degrees = -degrees;
        last_ = at;
        dragMoved_ = true;
        controller_.turnAboutViewingAxis(asFloat(degrees));
        return std::nullopt;
    }
    // The zoom follows the whole motion since the press: right or down enlarges.
    const double scale = zoomStartScale_ + 2 * (step.y() + step.x());
    dragMoved_ = true;
    controller_.view().setPatternScale(std::max(kLeastZoomScale, asFloat(scale)));
    return std::nullopt;
}

void PointerSteering::wheel(double notches, bool turn) {
    // A drag owns the picture until it ends.
    if (pressed_ || !controller_.hasReflections() || !std::isfinite(notches)) return;
    if (turn) {
        // As a turn drag of that length down the left half: away from the user turns positive.
        controller_.turnAboutViewingAxis(asFloat(notches * kWheelNotchTravel / 2));
        return;
    }
    if (stereographic()) return;
    // A step the eye sees whatever the zoom: away from the user enlarges.
    const double scale =
        controller_.pattern().view.patternScale * std::pow(kWheelNotchZoom, notches);
    controller_.view().setPatternScale(std::max(kLeastZoomScale, asFloat(scale)));
}

bool PointerSteering::release(PointerButton button, QPointF at) {
    const bool wasPressed = std::exchange(pressed_, false);
    dragging_ = false;
    // The drag drew with fewer samples; the still picture gets all of them.
    controller_.view().setDragging(false);
    if (!wasPressed || !controller_.hasReflections()) return false;
    const QPointF travel = down_ - at;
    const double moved = std::hypot(travel.x(), travel.y());
    if (button == PointerButton::Right && moved < kPopupSlack && !dragMoved_) return true;
    if (button != PointerButton::Left || at != down_) return false;
    controller_.pickAt(asFloat(last_.x()), asFloat(last_.y()));
    return false;
}

} // namespace tavrel::app
