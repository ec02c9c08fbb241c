#pragma once
// The card grid, the inspector and the device grid draw their contents by
// hand, so without help screen readers and AT-SPI tools see empty widgets.
// These interfaces show the card grid and the inspector as tables of cells
// (current row selected) and the device grid as a list of its cells.

class QAccessibleEvent;

namespace pelko {

// Registers the accessibility factory for TYSGrid, TAInspector and TACGrid.
// Call once after the QApplication exists and before the widgets are
// first inspected; calling it again does nothing.
void InstallAccessibleGrids();

// Where the interfaces send their change events: QAccessible::
// updateAccessibility unless replaced. Qt drops events while no assistive
// technology listens, so tests put their own sink here. Returns the old one.
using TAccessibleSink = void (*)(QAccessibleEvent* event);
TAccessibleSink SetAccessibleSink(TAccessibleSink sink);

}  // namespace pelko
