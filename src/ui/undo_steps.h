#pragma once
// Undo and redo of the window: a stack of steps, each a turn of the crystal (an arrow key, a
// whole drag, a preset or typed orientation, a turn onto a zone axis) or an edit of the fields
// that was simulated. The window tells it after each such command; a step is kept only when the
// orientation moved or the simulated fields differ from those of the list before. New, Open and
// a sample start the stack afresh, since their steps would belong to another document.

#include "app/controller.h"

#include <QObject>
#include <QString>
#include <QUndoStack>

#include <functional>

namespace tavrel::ui {

class UndoSteps : public QObject {
    Q_OBJECT
public:
    // Simulates a step's fields again and turns the picture to its orientation, as a generation
    // the user can stop; false when that left no list.
    using Resimulate = std::function<bool(const DocumentFields&, const Mat3d&)>;

    UndoSteps(app::SimulationController& controller, Resimulate resimulate,
              QObject* parent = nullptr);

    QUndoStack& stack() { return stack_; }
    app::SimulationController& controller() { return controller_; }

    // After a command that may have turned the crystal: one step named `label` from where the
    // orientation stood after the previous step, when it has moved since. `withField`: the
    // command wrote the orientation field, which undo then writes back too.
    void turned(const QString& label, bool withField = false);

    // What a simulation started from; the step after it needs it.
    struct SimulationStart {
        bool hadList = false;
        DocumentFields fields;
        app::OrientationPoint orientation;
    };
    SimulationStart simulationStarts() const;
    // After Perform Simulation: fields that differ from those of the list before are one step;
    // the same fields simulated again only discard the turns made since, a step of their own.
    // A refused simulation is a step whose undo simulates the last good fields again in their
    // orientation; the simulation that mends the fields joins that step.
    void simulated(const SimulationStart& start);

    // The orientation as it stands now is where the next step starts (a change that is no step
    // of its own, or a step undone or redone).
    void resync();
    // Nothing to go back to: a new document, an opened file, a sample.
    void restart();
    // A step's fields simulated again; those of a refused step are refused again, and the
    // steps stay as they are.
    void rerun(const DocumentFields& fields, const Mat3d& orientation);

private:
    app::SimulationController& controller_;
    Resimulate resimulate_;
    QUndoStack stack_;
    app::OrientationPoint settled_;
};

} // namespace tavrel::ui
