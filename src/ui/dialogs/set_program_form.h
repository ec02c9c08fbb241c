#pragma once
// The program settings dialog "Настройки программы": pages "Контроллеры"
// (speed, common password, behaviour switches) and " Порт" (port number and
// device, time-outs, direction switching, attempts); "Принять" is enabled
// exactly while the common password has ten digits.
#include <QDialog>
#include <QRect>
#include <QStringList>

#include <functional>

#include "engine/settings_dialog_values.h"

class QCheckBox;
class QComboBox;
class QPushButton;
class QTabWidget;

namespace pelko {

class TDivisorSpinEdit;
class TPasswordEdit;

class TSetProgramForm : public QDialog {
    Q_OBJECT
public:
    explicit TSetProgramForm(QWidget* parent = nullptr);

    // Makes the first page active and shows the values; remembers
    // v.ShownSpeed. A speed index outside the list shows 9600.
    void Fill(const TSettingsDialogValues& v);
    // The controls' values; the spin edits are read with GetValue().
    TSettingsDialogValues Values();
    // Bottom-right corner on the main window's, then moved so that the whole
    // dialog lies on the available area of the screen holding the main window.
    void PlaceAtBottomRight(const QRect& mainFrame);
    void CentreOn(const QRect& mainFrame);

    // The device drop-down beside the port number: pathFor(n) is the device
    // that port number n stands for (shown on Fill and whenever the number
    // changes); devices are the entries offered.
    void SetPortDevices(std::function<QString(int port)> pathFor, QStringList devices);
    QString PortPath() const;

    // Whether a controller's cards are read for a backup before they are
    // erased, when no read of this session can serve as one.
    void SetBackupReadFirst(bool on);
    bool BackupReadFirst() const;
    // Whether a card write sends and reads back every cell rather than
    // only those that differ from what the controller is known to hold.
    void SetWriteAllCells(bool on);
    bool WriteAllCells() const;

private:
    void ShowPortPath();

    QTabWidget* PageControl_;
    QComboBox* ChSpeed_;
    TPasswordEdit* EdPass_;
    QCheckBox* AutoReadKey_;
    QCheckBox* AutoWrKey_;
    QCheckBox* AutoWrPar_;
    TDivisorSpinEdit* CircleSpin_;
    QCheckBox* CBSavePass_;
    QCheckBox* CBBackupRead_;
    QCheckBox* CBWriteAll_;
    TDivisorSpinEdit* SpinNComPort_;
    QComboBox* PortDevice_;
    TDivisorSpinEdit* SpinTOConstant_;
    TDivisorSpinEdit* SpinTOMultipl_;
    TDivisorSpinEdit* SpinIntervalTO_;
    QComboBox* CBoxSmartPi_;
    TDivisorSpinEdit* SpinTailinUS_;
    TDivisorSpinEdit* SpinMaxAttempt_;
    QPushButton* OKButton_;
    QPushButton* CancelButton_;
    int ShownSpeed_ = 2;
    std::function<QString(int)> PathFor_;
};

}  // namespace pelko
