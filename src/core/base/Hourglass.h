#pragma once

namespace orvena::hourglass {

// The screen-wide mouse pointer: the hourglass while a table is walked or a
// picture loaded, the default otherwise. Setting it twice needs one reset.
void set();
void reset();
bool isBusy();

} // namespace orvena::hourglass
