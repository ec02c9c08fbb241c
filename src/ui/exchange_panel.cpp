#include "ui/exchange_panel.h"

#include <QCheckBox>
#include <QColor>
#include <QDateTime>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>
#include <QTableView>
#include <QTextStream>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "link/frame.h"

namespace pelko {
namespace {

// Polls and probes are the worker's own traffic; they fill a quiet line.
bool IsPoll(const Bytes& frame) {
    return frame.size() >= 3 && (frame[2] == kCmdCardPoll || frame[2] == kCmdButtonPoll || frame[2] == kCmdProbe);
}

class TPollFilter : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;
    void SetHidePolls(bool hide) {
        FHide = hide;
        invalidateRowsFilter();
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
        return !FHide || !sourceModel()->index(row, 0, parent).data(TExchangeModel::PollRole).toBool();
    }

private:
    bool FHide = false;
};

}  // namespace

TExchangeModel::TExchangeModel(std::size_t capacity, QObject* parent)
    : QAbstractTableModel(parent), FRing(std::max<std::size_t>(capacity, 1)) {}

int TExchangeModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(FCount);
}

int TExchangeModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColCount; }

QString TExchangeModel::Text(const Row& r, int column) const {
    switch (column) {
    case ColTime: return QDateTime::fromMSecsSinceEpoch(r.wallUs / 1000).toString(QStringLiteral("HH:mm:ss.zzz"));
    case ColAddr: return QString::number(r.adr);
    case ColCommand: return r.command;
    case ColRequest: return r.request;
    case ColAnswer: return r.answer;
    case ColVerdict: {
        const QString v = QString::fromUtf8(VerdictText(r.verdict));
        return r.attempts > 1 ? v + QStringLiteral(" (попыток: %1)").arg(r.attempts) : v;
    }
    case ColRoundTrip: return QString::number(static_cast<double>(r.roundTripUs) / 1000.0, 'f', 1);
    default: return {};
    }
}

QVariant TExchangeModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(FCount)) return {};
    const Row& r = At(index.row());
    switch (role) {
    case Qt::DisplayRole: return Text(r, index.column());
    case PollRole: return r.poll;
    case Qt::BackgroundRole:
        if (r.verdict == Verdict::Ok) return {};
        return r.verdict == Verdict::OtherAddress ? QColor(255, 240, 190) : QColor(255, 205, 205);
    case Qt::ForegroundRole:
        if (r.verdict == Verdict::Ok) return {};
        return QColor(Qt::black);  // readable on the tint in a dark theme too
    default: return {};
    }
}

QVariant TExchangeModel::headerData(int section, Qt::Orientation o, int role) const {
    if (o != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const char* const kTitles[ColCount] = {"Время", "Адрес", "Команда", "Запрос", "Ответ", "Итог", "мс"};
    return section >= 0 && section < ColCount ? QString::fromUtf8(kTitles[section]) : QVariant();
}

void TExchangeModel::Append(const std::vector<ExchangeRecord>& records) {
    const std::size_t cap = FRing.size();
    const std::size_t take = std::min(records.size(), cap);
    if (take == 0) return;
    const std::size_t overflow = FCount + take > cap ? FCount + take - cap : 0;
    if (overflow > 0) {
        beginRemoveRows({}, 0, static_cast<int>(overflow) - 1);
        FFirst = (FFirst + overflow) % cap;
        FCount -= overflow;
        endRemoveRows();
    }
    beginInsertRows({}, static_cast<int>(FCount), static_cast<int>(FCount + take) - 1);
    for (std::size_t i = records.size() - take; i < records.size(); ++i) {
        const ExchangeRecord& rec = records[i];
        Row& r = FRing[(FFirst + FCount++) % cap];
        r.wallUs = rec.wallUs;
        r.adr = rec.request.empty() ? 0 : rec.request[0];
        r.poll = IsPoll(rec.request);
        r.verdict = rec.verdict();
        r.attempts = static_cast<int>(rec.attempts.size());
        r.roundTripUs = rec.attempts.empty() ? 0 : rec.attempts.back().roundTripUs;
        r.command = QString::fromStdString(CommandName(rec.request));
        r.request = QString::fromLatin1(HexBytes(rec.request));
        const std::string masked = MaskedHexBytes(rec.request);
        r.requestSaved = masked == r.request.toStdString() ? QString() : QString::fromLatin1(masked);
        r.answer = rec.attempts.empty() ? QString() : QString::fromLatin1(HexBytes(rec.attempts.back().received));
    }
    endInsertRows();
}

void TExchangeModel::Clear() {
    beginResetModel();
    FFirst = 0;
    FCount = 0;
    endResetModel();
}

QString TExchangeModel::RowText(int row) const {
    const Row& r = At(row);
    QStringList cells;
    for (int c = 0; c < ColCount; ++c) {
        QString t = Text(r, c);
        if (c == ColRequest) t = QStringLiteral("> ") + (r.requestSaved.isEmpty() ? t : r.requestSaved);
        if (c == ColAnswer) t = QStringLiteral("< ") + t;
        if (c == ColRoundTrip) t += QStringLiteral(" ms");
        cells << t;
    }
    return cells.join(QStringLiteral("  "));
}

TExchangePanel::TExchangePanel(std::shared_ptr<ExchangeLog> log, std::function<QString()> saveName, QWidget* parent)
    : QWidget(parent), FLog(std::move(log)), FSaveName(std::move(saveName)) {
    setObjectName(QStringLiteral("ExchangePanel"));
    FModel = new TExchangeModel(kKeep, this);
    auto* filter = new TPollFilter(this);
    filter->setSourceModel(FModel);
    FFilter = filter;

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(2, 2, 2, 2);
    auto* bar = new QHBoxLayout;
    column->addLayout(bar);
    FHidePolls = new QCheckBox(QStringLiteral("Скрыть опросы"), this);
    FHidePolls->setObjectName(QStringLiteral("ExchangeHidePolls"));
    FHidePolls->setAccessibleName(QStringLiteral("Скрыть опросы"));
    connect(FHidePolls, &QCheckBox::toggled, this, [filter](bool on) { filter->SetHidePolls(on); });
    auto button = [this, bar](const char* name, const char* text) {
        auto* b = new QToolButton(this);
        b->setObjectName(QString::fromLatin1(name));
        b->setText(QString::fromUtf8(text));
        b->setAccessibleName(QString::fromUtf8(text));
        bar->addWidget(b);
        return b;
    };
    bar->addWidget(FHidePolls);
    FPause = button("ExchangePause", "Пауза");
    FPause->setCheckable(true);
    connect(FPause, &QToolButton::toggled, this, [this](bool on) {
        if (!on) Drain();
    });
    connect(button("ExchangeClear", "Очистить"), &QToolButton::clicked, this, [this] {
        FHeld.clear();
        FModel->Clear();
    });
    connect(button("ExchangeSave", "Сохранить…"), &QToolButton::clicked, this, [this] { Save(); });
    FDropped = new QLabel(this);
    FDropped->setObjectName(QStringLiteral("ExchangeDropped"));
    FDropped->setAccessibleName(QStringLiteral("Пропущено обменов"));
    bar->addWidget(FDropped);
    bar->addStretch(1);

    FTable = new QTableView(this);
    FTable->setObjectName(QStringLiteral("ExchangeTable"));
    FTable->setAccessibleName(QStringLiteral("Журнал обмена"));
    FTable->setModel(FFilter);
    FTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    FTable->setWordWrap(false);
    FTable->verticalHeader()->hide();
    // Fixed row heights: no per-row measuring over 100 000 rows.
    FTable->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    FTable->verticalHeader()->setDefaultSectionSize(FTable->fontMetrics().height() + 4);
    FTable->horizontalHeader()->setStretchLastSection(true);
    column->addWidget(FTable, 1);

    FTimer = new QTimer(this);
    FTimer->setInterval(100);
    connect(FTimer, &QTimer::timeout, this, [this] { Drain(); });
    FTimer->start();
}

QAbstractItemModel& TExchangePanel::View() { return *FFilter; }

void TExchangePanel::Drain() {
    if (!FLog) return;
    const std::size_t before = FHeld.size();
    FLog->Drain(FHeld);
    if (OnRecord)
        for (std::size_t i = before; i < FHeld.size(); ++i) OnRecord(FHeld[i]);
    if (FHeld.size() > kKeep) FHeld.erase(FHeld.begin(), FHeld.end() - static_cast<std::ptrdiff_t>(kKeep));
    if (const std::uint64_t dropped = FLog->Dropped(); dropped != FDroppedSeen) {
        FDroppedSeen = dropped;
        FDropped->setText(QStringLiteral("пропущено: %1").arg(dropped));
    }
    if (FPause->isChecked() || FHeld.empty()) return;
    QScrollBar* bar = FTable->verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    FModel->Append(FHeld);
    FHeld.clear();
    if (atEnd) FTable->scrollToBottom();
}

bool TExchangePanel::SaveTo(const QString& path) const {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) return false;
    QTextStream out(&file);
    for (int row = 0; row < FFilter->rowCount(); ++row)
        out << FModel->RowText(FFilter->mapToSource(FFilter->index(row, 0)).row()) << '\n';
    out.flush();
    return file.error() == QFile::NoError;
}

void TExchangePanel::Save() {
    if (!FSaveName) return;
    const QString name = FSaveName();
    if (!name.isEmpty()) SaveTo(name);
}

}  // namespace pelko
