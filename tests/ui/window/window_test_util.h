#pragma once
// Helpers for the main window's tests: a window without real file dialogs or
// message boxes, and a way to answer the next modal dialog.
#include <QPoint>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/file_dialogs.h"
#include "ui/main_form.h"

namespace pelko::test {

// Answers the file dialogs from a list and records what they were asked.
class TScriptedFileDialogs : public TFileDialogs {
public:
    struct Asked {
        QString Title;
        QString Folder;
        QString Name;
    };
    QStringList Answers;  // taken in turn; empty: cancelled
    std::vector<Asked>* Record = nullptr;

    QString OpenName(const QString& title, const QString& folder) override;
    QString SaveName(const QString& title, const QString& folder, const QString& name) override;

private:
    QString Next(const Asked& asked);
};

struct TBox {
    std::string Caption;
    std::string Text;
};

// A main window whose boxes are recorded (questions answered Yes, except
// whether to save changes: No) and whose
// file dialogs answer from Files.
struct TWindowFixture {
    explicit TWindowFixture(TStartOptions options = {});
    std::unique_ptr<TMainForm> Form;
    std::vector<TBox> Boxes;
    std::vector<TScriptedFileDialogs::Asked> Asked;
    TScriptedFileDialogs* Files = nullptr;
};

// The window on its own simulated line, served on a pseudo-terminal without
// pacing the answers to the line speed.
TStartOptions Simulated();

// The window whose port 1 leads nowhere: edits stay in the program.
TStartOptions NoPort();

// Runs act on the next modal dialog other than the progress window, once it
// is shown (the caller then opens it, e.g. by a menu item).
void OnNextModal(std::function<void(QWidget* dialog)> act);
// Triggers the menu action with this object name.
void Trigger(TMainForm& form, const char* action);
// Clicks the enabled tool or card button with this object name.
void Click(TMainForm& form, const char* button);
// A point inside the device grid's cell of the device at this address
// (client coordinates); (-1, -1) when it has none.
QPoint DeviceCellPoint(TMainForm& form, std::uint8_t adr);
// Clicks the device grid's cell of the device at this address.
void ClickDevice(TMainForm& form, std::uint8_t adr);
// Clicks a row of the card list, with keys held.
void ClickRow(TMainForm& form, int row, Qt::KeyboardModifiers keys = Qt::NoModifier);
// Runs the calls the controls deferred.
void Flush();

// --- keys, as a keyboard sends them ---

// Where a key typed now goes: an open menu, else the focus. The offscreen
// platform has no window manager to give the window back its activation
// when a modal window closes: this does what the window manager would.
QWidget* KeyTarget(QWidget* fallback);
void Key(QWidget* fallback, int key, Qt::KeyboardModifiers mods = Qt::NoModifier);
// A letter as a keyboard sends it: key code and text (Russian letters too).
void Letter(QWidget* fallback, QChar letter, Qt::KeyboardModifiers mods = Qt::NoModifier);
// Typed one key at a time into whatever has the focus.
void Type(QWidget* fallback, const QString& text);
// Alt+menu letter, then the item's letter.
void MenuItem(QWidget* form, QChar menu, QChar item);
// Tab until the widget has the focus (the tab order is the window's own).
void TabTo(QWidget* form, QWidget* target, Qt::KeyboardModifiers mods = Qt::NoModifier);
// A modal dialog's focus once it is up: keys typed before it took the focus
// would go to the window behind it.
QWidget* DialogFocus(QWidget* dialog);
void ShowActive(TMainForm& form);

// A window without the line whose devices 3 and 9 are open; 3 holds n user
// cards, and is selected by a click on its cell.
struct TOfflineCards : TWindowFixture {
    explicit TOfflineCards(int n);
    const TConfPelko& Cards();
    // The current row lies wholly inside the rows shown.
    bool RowInView();
};

}  // namespace pelko::test
