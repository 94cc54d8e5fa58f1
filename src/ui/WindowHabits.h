#pragma once

class QWidget;

// The keyboard habits of desktop windows, given to a top-level window: Escape closes it (as its
// close button does, so whatever closing means for the window still happens), and Return or Enter
// presses the focused push button. A key that a control inside uses itself (a key recorder, an
// open list) never gets here. Keys that reach the window with any other focus are left to it.
namespace WindowHabits {

void apply(QWidget *window);

// Sizes a window that is as tall as what it shows: at least `minimumWidth` wide and tall enough for
// its content at that width. Before the window has a size it gets exactly that; afterwards it only
// grows to fit new content and never shrinks the size it was given (by the user, a tiling window
// manager, or an earlier fit).
void fitToContent(QWidget *window, int minimumWidth);

} // namespace WindowHabits
