#pragma once
// The pointer on the pattern: a left drag turns the crystal about the vertical and horizontal
// axes, a right drag turns it about the viewing axis (left half of the gnomonic picture, or
// anywhere in the stereographic one) or zooms (right half of the gnomonic picture), a left click
// names the line under it, a right click asks for the pattern's popup menu. Positions are in
// units of the picture. While a drag lasts the controller draws with fewer samples per line;
// the release draws at full quality. The wheel zooms the gnomonic picture by kWheelNotchZoom a
// notch and, with Ctrl, turns the crystal about the viewing axis as far as a turn drag of
// kWheelNotchTravel.
// The picture has no pan offset: the zoom keeps the viewing axis at the centre of the picture,
// wherever the pointer is.

#include <QPointF>

#include <optional>

namespace tavrel::app {

class SimulationController;

enum class PointerButton { Left, Right, Other };

// What the pointer should look like after a press or a move; no value keeps the present one.
enum class PointerLook { Normal, Move, Turn, Zoom };

class PointerSteering {
public:
    explicit PointerSteering(SimulationController& controller);

    std::optional<PointerLook> press(PointerButton button, QPointF at);
    // `left` and `right`: the buttons held during the move.
    std::optional<PointerLook> move(bool left, bool right, QPointF at);
    // Ends a press; the pointer looks normal again. True when the pattern's popup menu should
    // open (a right click that changed nothing).
    bool release(PointerButton button, QPointF at);
    // The wheel turned by `notches` (positive away from the user), with Ctrl (`turn`) or without.
    // Without Ctrl in the stereographic projection, which has nothing to zoom, it does nothing.
    void wheel(double notches, bool turn);

    bool dragging() const { return dragging_; }
    bool pressed() const { return pressed_; }

    // The least scale a zoom drag reaches.
    static constexpr float kLeastZoomScale = 100.0f;
    // The turn drag, in units of the picture, that one notch of the wheel stands for (5 degrees).
    static constexpr double kWheelNotchTravel = 10.0;
    // The factor one notch of the wheel zooms by.
    static constexpr double kWheelNotchZoom = 1.1;

private:
    float pictureWidth() const;
    bool stereographic() const;

    SimulationController& controller_;
    QPointF last_;
    QPointF down_;
    float zoomStartScale_ = 0;
    bool pressed_ = false;
    bool dragging_ = false;
    bool dragMoved_ = false;
};

} // namespace tavrel::app
