#pragma once

namespace orvena::hourglass {

// The screen-wide mouse pointer: the hourglass while a table is walked or a
// picture loaded, the default otherwise. Setting it twice needs one reset.
void set();
void reset();
bool isBusy();

// The hourglass for the time of a scope: set when the scope is made, back to
// normal when it is left, however it is left. A message never shows under
// the hourglass: end() puts it back before one, and resume() sets it again
// after a question whose answer lets the work go on.
class Scope {
public:
    Scope() { set(); }
    ~Scope() { reset(); }
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

    void end() { reset(); }
    void resume() { set(); }
};

} // namespace orvena::hourglass
