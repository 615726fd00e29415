#include "ui/undo_steps.h"

#include <QUndoCommand>

#include <cmath>

#include <utility>

namespace tavrel::ui {

namespace {

// QUndoStack::push runs redo() at once; the command has already done it.
class Step : public QUndoCommand {
public:
    explicit Step(const QString& label) { setText(label); }
    void undo() override { goBack(); }
    void redo() override {
        if (!std::exchange(pushed_, false)) goForward();
    }

protected:
    virtual void goBack() = 0;
    virtual void goForward() = 0;

private:
    bool pushed_ = true;
};

class TurnStep : public Step {
public:
    TurnStep(UndoSteps& steps, const QString& label, app::OrientationPoint before,
             app::OrientationPoint after, bool withField)
        : Step(label), steps_(steps), before_(std::move(before)), after_(std::move(after)),
          withField_(withField) {}

private:
    void goBack() override { go(before_); }
    void goForward() override { go(after_); }
    void go(const app::OrientationPoint& point) {
        steps_.controller().restoreOrientation(point, withField_);
        steps_.resync();
    }

    UndoSteps& steps_;
    app::OrientationPoint before_, after_;
    bool withField_;
};

// Simulated fields. A refused simulation is a step too, so that undo brings back the last good
// fields, list and orientation; the simulation that mends it becomes part of the same step.
class SimulatedEdit : public Step {
public:
    static constexpr int kId = 1;

    SimulatedEdit(UndoSteps& steps, DocumentFields before, const Mat3d& beforeOrientation,
                  DocumentFields after, const Mat3d& afterOrientation, bool refused)
        : Step(QStringLiteral("Simulation")), steps_(steps), before_(std::move(before)),
          after_(std::move(after)), beforeOrientation_(beforeOrientation),
          afterOrientation_(afterOrientation), refused_(refused) {}

    bool refused() const { return refused_; }
    int id() const override { return kId; }
    // Only onto a refused step, which nobody wants to come back to.
    bool mergeWith(const QUndoCommand* next) override {
        if (!refused_ || next->id() != kId) return false;
        const auto* edit = static_cast<const SimulatedEdit*>(next);
        after_ = edit->after_;
        afterOrientation_ = edit->afterOrientation_;
        refused_ = edit->refused_;
        // Mended back into the fields it started from: no step at all.
        setObsolete(!refused_ && after_ == before_ && afterOrientation_ == beforeOrientation_);
        return true;
    }

private:
    void goBack() override { steps_.rerun(before_, beforeOrientation_); }
    void goForward() override { steps_.rerun(after_, afterOrientation_); }

    UndoSteps& steps_;
    DocumentFields before_, after_;
    Mat3d beforeOrientation_, afterOrientation_;
    bool refused_;
};

// A list with reflections in it: a refused simulation leaves an empty one.
bool listShown(const app::SimulationController& controller) {
    return controller.hasReflections() && controller.simulation().reflections.count() > 0;
}

// Orientations that differ by less than any turn of the user's (a thousandth of a degree): an
// orientation written into the field as Euler angles of three decimals comes back from a
// simulation that far away, and is no step.
bool sameOrientation(const Mat3d& a, const Mat3d& b) {
    for (std::size_t i = 0; i < 3; ++i)
        for (std::size_t j = 0; j < 3; ++j)
            if (std::fabs(a[i][j] - b[i][j]) > 2e-5) return false;
    return true;
}

} // namespace

UndoSteps::UndoSteps(app::SimulationController& controller, Resimulate resimulate, QObject* parent)
    : QObject(parent), controller_(controller), resimulate_(std::move(resimulate)) {
    resync();
}

void UndoSteps::turned(const QString& label, bool withField) {
    app::OrientationPoint now = controller_.orientationPoint();
    if (!controller_.hasReflections() || sameOrientation(now.matrix, settled_.matrix)) {
        resync();
        return;
    }
    stack_.push(new TurnStep(*this, label, std::exchange(settled_, now), now, withField));
}

UndoSteps::SimulationStart UndoSteps::simulationStarts() const {
    return {listShown(controller_), controller_.listFields(), controller_.orientationPoint()};
}

void UndoSteps::simulated(const SimulationStart& start) {
    const bool shown = listShown(controller_);
    const QUndoCommand* top = stack_.command(stack_.index() - 1);
    const bool afterRefusal =
        top && top->id() == SimulatedEdit::kId && static_cast<const SimulatedEdit*>(top)->refused();
    if (!start.hadList && !afterRefusal) {
        // Nothing was shown to go back to: a new document simulated, or refused again.
        if (shown) restart();
        return;
    }
    if (shown && start.hadList && controller_.listFields() == start.fields) {
        turned(QStringLiteral("Simulation"));
        return;
    }
    // A refused simulation keeps the fields it refused; the list's are the last good ones.
    const DocumentFields& after =
        shown ? controller_.listFields() : controller_.simulation().fields;
    stack_.push(new SimulatedEdit(*this, start.fields, start.orientation.matrix, after,
                                  controller_.orientationPoint().matrix, !shown));
    resync();
}

void UndoSteps::resync() {
    settled_ = controller_.orientationPoint();
}

void UndoSteps::restart() {
    stack_.clear();
    resync();
}

void UndoSteps::rerun(const DocumentFields& fields, const Mat3d& orientation) {
    // A refused step refuses again (the window says why); the steps around it still hold.
    (void)resimulate_(fields, orientation);
    resync();
}

} // namespace tavrel::ui
