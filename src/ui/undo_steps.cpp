#include "ui/undo_steps.h"

#include <QTimer>
#include <QUndoCommand>

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

class SimulatedEdit : public Step {
public:
    SimulatedEdit(UndoSteps& steps, DocumentFields before, const Mat3d& beforeOrientation,
                  DocumentFields after, const Mat3d& afterOrientation)
        : Step(QStringLiteral("Simulation")), steps_(steps), before_(std::move(before)),
          after_(std::move(after)), beforeOrientation_(beforeOrientation),
          afterOrientation_(afterOrientation) {}

private:
    void goBack() override { steps_.rerun(before_, beforeOrientation_); }
    void goForward() override { steps_.rerun(after_, afterOrientation_); }

    UndoSteps& steps_;
    DocumentFields before_, after_;
    Mat3d beforeOrientation_, afterOrientation_;
};

// A list with reflections in it: a refused simulation leaves an empty one.
bool listShown(const app::SimulationController& controller) {
    return controller.hasReflections() && controller.simulation().reflections.count() > 0;
}

} // namespace

UndoSteps::UndoSteps(app::SimulationController& controller, Resimulate resimulate, QObject* parent)
    : QObject(parent), controller_(controller), resimulate_(std::move(resimulate)) {
    resync();
}

void UndoSteps::turned(const QString& label, bool withField) {
    app::OrientationPoint now = controller_.orientationPoint();
    if (!controller_.hasReflections() || now.matrix == settled_.matrix) {
        resync();
        return;
    }
    stack_.push(new TurnStep(*this, label, std::exchange(settled_, now), now, withField));
}

UndoSteps::SimulationStart UndoSteps::simulationStarts() const {
    return {listShown(controller_), controller_.listFields(), controller_.orientationPoint()};
}

void UndoSteps::simulated(const SimulationStart& start) {
    if (!start.hadList || !listShown(controller_)) {
        restart();
        return;
    }
    if (controller_.listFields() == start.fields) {
        turned(QStringLiteral("Simulation"));
        return;
    }
    stack_.push(new SimulatedEdit(*this, start.fields, start.orientation.matrix,
                                  controller_.listFields(), controller_.orientationPoint().matrix));
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
    if (!resimulate_(fields, orientation))
        // Not now: the stack is still running the step that asked.
        QTimer::singleShot(0, this, &UndoSteps::restart);
    resync();
}

} // namespace tavrel::ui
