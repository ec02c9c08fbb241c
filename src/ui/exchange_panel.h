#pragma once
// "Журнал обмена": every exchange of the link as a table row, drained from
// the link's exchange log by a timer on the GUI thread.
#include <QAbstractTableModel>
#include <QSortFilterProxyModel>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "link/exchange_log.h"

class QCheckBox;
class QLabel;
class QTableView;
class QTimer;
class QToolButton;

namespace pelko {

// The newest rows in a ring; the oldest go when it is full.
class TExchangeModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { ColTime, ColAddr, ColCommand, ColRequest, ColAnswer, ColVerdict, ColRoundTrip, ColCount };
    static constexpr int PollRole = Qt::UserRole + 1;

    explicit TExchangeModel(std::size_t capacity, QObject* parent = nullptr);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;

    void Append(const std::vector<ExchangeRecord>& records);
    void Clear();
    QString RowText(int row) const;  // one line of the saved log

private:
    struct Row {
        std::int64_t wallUs = 0;
        std::uint8_t adr = 0;
        bool poll = false;
        Verdict verdict = Verdict::Ok;
        int attempts = 0;
        std::int64_t roundTripUs = 0;
        QString command, request, answer;
        QString requestSaved;  // with the password bytes masked; empty when none
    };
    const Row& At(int row) const { return FRing[(FFirst + static_cast<std::size_t>(row)) % FRing.size()]; }
    QString Text(const Row& r, int column) const;

    std::vector<Row> FRing;
    std::size_t FFirst = 0;
    std::size_t FCount = 0;
};

class TExchangePanel : public QWidget {
    Q_OBJECT
public:
    static constexpr std::size_t kKeep = 100000;
    // saveName asks where to save; an empty name cancels.
    TExchangePanel(std::shared_ptr<ExchangeLog> log, std::function<QString()> saveName, QWidget* parent = nullptr);

    TExchangeModel& Model() { return *FModel; }
    QAbstractItemModel& View();  // what the table shows
    void Drain();                // takes what the worker has reported
    // Sees every record as it is taken, shown or not.
    std::function<void(const ExchangeRecord&)> OnRecord;
    bool SaveTo(const QString& path) const;

private:
    void Save();

    std::shared_ptr<ExchangeLog> FLog;
    std::function<QString()> FSaveName;
    TExchangeModel* FModel;
    QSortFilterProxyModel* FFilter;
    QTableView* FTable;
    QCheckBox* FHidePolls;
    QToolButton* FPause;
    QLabel* FDropped;
    QTimer* FTimer;
    std::vector<ExchangeRecord> FHeld;  // drained while paused
    std::uint64_t FDroppedSeen = 0;
};

}  // namespace pelko
