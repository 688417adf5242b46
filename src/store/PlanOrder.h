#pragma once

namespace plandor {

// The orders in which the plan is read and renumbered.
enum class PlanOrder {
    ByFreq, // frequency order: the grid's standard view, what is sent to the instrument
    ById, // the plan's numbering
    Stored, // the order the rows were written in (after a renumbering, ID order)
};

} // namespace plandor
