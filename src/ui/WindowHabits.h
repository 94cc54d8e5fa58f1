#pragma once

class QWidget;

// The keyboard habits of desktop windows, given to a top-level window: Escape closes it (as its
// close button does, so whatever closing means for the window still happens), and Return or Enter
// presses the focused push button. A key that a control inside uses itself (a key recorder, an
// open list) never gets here. Keys that reach the window with any other focus are left to it.
namespace WindowHabits {

void apply(QWidget *window);

} // namespace WindowHabits
