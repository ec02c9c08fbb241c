#pragma once
// The picture of the window the README and the AppStream page show, made by
// the program itself on its simulated line: a search, controller 3 read and
// selected, then the window saved as PNG.
#include <QString>

namespace pelko {

class TMainForm;

// Returns the exit code: 0 when the picture was saved.
int MakeScreenshot(TMainForm& form, const QString& file);

}  // namespace pelko
