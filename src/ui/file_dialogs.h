#pragma once
// The open and save dialogs of the file commands, behind a seam so tests
// can answer them without a window.
#include <QString>
#include <memory>

class QWidget;

namespace pelko {

class TFileDialogs {
public:
    virtual ~TFileDialogs() = default;
    // The chosen file, or an empty string when the user cancelled.
    virtual QString OpenName(const QString& title, const QString& folder) = 0;
    virtual QString SaveName(const QString& title, const QString& folder, const QString& name) = 0;
};

// Qt's file dialogs with the program's filters, "txt" as the default suffix
// and a question before an existing file is replaced.
std::unique_ptr<TFileDialogs> MakeQtFileDialogs(QWidget* owner);

}  // namespace pelko
