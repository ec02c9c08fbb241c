// The "Журнал обмена" panel: its table, the poll switch and saving.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QColor>
#include <QDir>
#include <QDockWidget>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include "link/frame.h"
#include "ui/exchange_panel.h"
#include "window_test_util.h"

namespace pelko::test {
namespace {

ExchangeRecord Record(const Bytes& body, const Bytes& received) {
    ExchangeRecord r;
    r.baud = 9600;
    r.request = BuildFrame(body);
    ExchangeAttempt& a = r.attempts.emplace_back();
    a.received = received;
    a.verdict = Classify(body, received.data(), received.size());
    a.roundTripUs = 4100;
    return r;
}

TEST(ExchangePanel, ListsExchangesHidesPollsAndSaves) {
    TWindowFixture f;
    QSettings().remove(QStringLiteral("exchangeLog"));
    f.Form->findChild<QDockWidget*>(QStringLiteral("ExchangeDock"))->hide();  // as on a first run
    Trigger(*f.Form, "ExchangeLogView");
    EXPECT_TRUE(QSettings().value(QStringLiteral("exchangeLog/visible")).toBool());
    auto* panel = f.Form->findChild<TExchangePanel*>();
    ASSERT_NE(panel, nullptr);

    const Bytes read17 = {3, 0x07, 0x20, 17, 0};
    const std::shared_ptr<ExchangeLog>& log = f.Form->Session().GetExchangeLog();
    ASSERT_NE(log, nullptr);
    log->Push(Record(read17, BuildFrame({3, 0x0A, 0x21, 1, 2, 3, 4, 5})));
    log->Push(Record(CardPollBody(3), {}));
    panel->Drain();

    QAbstractItemModel& view = panel->View();
    ASSERT_EQ(view.rowCount(), 2);
    const auto cell = [&](int row, int col) { return view.index(row, col).data().toString().toStdString(); };
    EXPECT_EQ(cell(0, TExchangeModel::ColAddr), "3");
    EXPECT_EQ(cell(0, TExchangeModel::ColCommand), "чтение ячейки 17");
    EXPECT_EQ(cell(0, TExchangeModel::ColRequest), HexBytes(BuildFrame(read17)));
    EXPECT_EQ(cell(0, TExchangeModel::ColVerdict), "ok");
    EXPECT_EQ(cell(0, TExchangeModel::ColRoundTrip), "4.1");
    EXPECT_EQ(cell(1, TExchangeModel::ColVerdict), "нет ответа");
    EXPECT_FALSE(view.index(0, 0).data(Qt::BackgroundRole).isValid());
    EXPECT_TRUE(view.index(1, 0).data(Qt::BackgroundRole).value<QColor>().isValid()) << "failures stand out";

    panel->findChild<QCheckBox*>(QStringLiteral("ExchangeHidePolls"))->setChecked(true);
    ASSERT_EQ(view.rowCount(), 1);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("exchange.log"));
    f.Files->Answers = {path};
    Click(*f.Form, "ExchangeSave");
    QFile saved(path);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines = QString::fromUtf8(saved.readAll()).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].contains(QStringLiteral("> ") + QString::fromStdString(HexBytes(BuildFrame(read17)))));
    EXPECT_TRUE(lines[0].contains(QStringLiteral("  ok  4.1 ms")));
    QSettings().remove(QStringLiteral("exchangeLog"));
}

}  // namespace
}  // namespace pelko::test
