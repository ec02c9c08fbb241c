#pragma once
// The window's side of the journal of changes and the backups: the recorder
// the engine writes through (its read-first setting remembered for the
// user), and "Журнал изменений", a read-only view of the journal.
#include <QObject>
#include <functional>
#include <string>
#include <QString>

#include "config/program_settings.h"
#include "engine/file_change_recorder.h"

class QAction;
class QMenu;
class QWidget;

namespace pelko {

class TChangeJournal : public QObject {
    Q_OBJECT
public:
    // warn shows a warning box of the window.
    TChangeJournal(const ProgramSettings& settings, QWidget* window, std::function<void(const std::string&)> warn);

    ChangeRecorder& Recorder() { return FRecorder; }
    bool ReadFirst() const { return FRecorder.readFirst; }
    void SetReadFirst(bool on);
    // "Журнал изменений" at the end of menu.
    QAction* AddMenuItem(QMenu* menu);
    // The journal's text as the view shows it.
    static QString ViewText(const QString& journalPath);
    void ShowView();

private:
    QWidget* FWindow;
    std::function<void(const std::string&)> FWarn;
    FileChangeRecorder FRecorder;
    bool FErrorShown = false;  // a journal that cannot be written is told once
};

}  // namespace pelko
