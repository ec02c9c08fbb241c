#pragma once
// The controller parameters dialog "Настройка прибора": pages " Параметры"
// and "Дополнительные параметры", buttons "Принять" (focused on show) and
// "Закрыть". One control per field of the parameter block.
#include <QDialog>
#include <QRect>

#include "engine/device_params.h"

class QCheckBox;
class QComboBox;
class QPushButton;
class QTabWidget;

namespace pelko {

class TSettingsForm : public QDialog {
    Q_OBJECT
public:
    explicit TSettingsForm(QWidget* parent = nullptr);

    // Makes the first page active and shows the values.
    void ParamsToDialog(const TDeviceParams& p);
    TDeviceParams DialogToParams() const;
    // "Закрыть", Esc and the title bar's close together.
    void SetCloseEnabled(bool enabled);
    bool CloseEnabled() const { return CloseEnabled_; }
    void CentreOn(const QRect& mainFrame);

    // The list items, as the dialog offers them.
    static QStringList BuzzerTimeItems();
    static QStringList RelayTimeItems();

public slots:
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QTabWidget* PageControl_;
    QComboBox* VParam1_;
    QCheckBox* VParam2_;
    QCheckBox* VParam3_;
    QCheckBox* VParam4_;
    QComboBox* VParam6_;
    QCheckBox* VParam7_;
    QComboBox* vParam8_;
    QComboBox* VParam9_;
    QCheckBox* VParam10_;
    QComboBox* VParam11_;
    QComboBox* VParam12_;
    QCheckBox* VParam13_;
    QCheckBox* VParam14_;
    QPushButton* OKButton_;
    QPushButton* CloseButton_;
    bool CloseEnabled_ = true;
};

}  // namespace pelko
