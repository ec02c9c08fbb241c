// Taking a card's code from a card held to the selected controller's reader.
#include "engine_fixture.h"
#include "link/frame.h"

namespace pelko::test {
namespace {

class CaptureTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        id = AddController(3);
        other = AddController(4);
        SearchAndSelect(3);
        engine->ShowList(engine->MasterView(), true);
        Dev(3).AddCard(5, Code(5), "Иванов");
        SetSimCell(id, 5, Code(5));
        host.Row = 0;
    }
    // Holds the card to a reader once the capture waits for it.
    void Capture(SimControllerId reader, const TCode& card) {
        bool held = false;
        host.WhileModal = [&, reader, card] {
            if (held || engine->OperState() != osCaptureCode) return;
            held = true;
            line->PresentCard(reader, card);
        };
        engine->CaptureCode(host.Row);
        host.WhileModal = nullptr;
    }
    TCode CodeOfRow0() {
        TCard card;
        Dev(3).GetCard(false, 0, card);
        return card.Code;
    }
    SimControllerId id = 0, other = 0;
};

TEST_F(CaptureTest, CardAtAnotherReaderIsRefused) {
    Capture(other, Code(0x77));
    ExpectEnded();
    ASSERT_EQ(host.Messages.size(), 1u);
    EXPECT_EQ(host.Messages[0].text, "Вы поднесли карту к другому считывателю!");
    EXPECT_EQ(host.Messages[0].caption, "Сообщение");
    EXPECT_EQ(CodeOfRow0(), Code(5));
}

TEST_F(CaptureTest, CodeStoredInAMasterCellIsADuplicate) {
    Dev(3).AddCard(1003, Code(0x77), "");
    Capture(id, Code(0x77));
    ExpectEnded();
    ASSERT_EQ(host.Messages.size(), 1u);
    EXPECT_EQ(host.Messages[0].text, "Карта с таким кодом уже есть в ячейке 1003");
    EXPECT_EQ(host.Messages[0].caption, "Внимание");
    EXPECT_EQ(host.EditedParams, std::vector<int>{1});
    EXPECT_EQ(CodeOfRow0(), Code(5));
}

TEST_F(CaptureTest, WrittenAtOnceAlsoFillsMasterCell1000) {
    settings.AutoWriteKey = true;
    Capture(id, Code(0x77));
    ExpectEnded();
    EXPECT_EQ(CodeOfRow0(), Code(0x77));
    EXPECT_EQ(Sim(id).Cell(5), Code(0x77));
    EXPECT_EQ(Sim(id).Cell(1000), ZeroCode);
    EXPECT_EQ(Dev(3).MasterCount(), 1);  // the model lists what the controller holds
}

TEST_F(CaptureTest, ModelOnlyStillGivesTheDeviceMasterCell1000) {
    Capture(id, Code(0x77));
    ExpectEnded();
    EXPECT_EQ(CodeOfRow0(), Code(0x77));
    EXPECT_EQ(Sim(id).Cell(5), Code(5));  // the card itself waits for a write
    EXPECT_EQ(Sim(id).Cell(1000), ZeroCode);
}

TEST_F(CaptureTest, ModelOnlyWithMasterCardsWritesNothing) {
    Dev(3).AddCard(1001, Code(0x10), "");
    Capture(id, Code(0x77));
    ExpectEnded();
    EXPECT_EQ(CodeOfRow0(), Code(0x77));
    EXPECT_EQ(CountSent(0x22), 0u);
}

TEST_F(CaptureTest, OnlyWhenTheCardInspectorIsShown) {
    engine->ShowList(engine->MasterView(), false);
    engine->CaptureCode(host.Row);
    EXPECT_EQ(host.ModalCount, 1);  // the search's
    engine->ShowList(engine->MasterView(), true);
    line->PresentCard(id, Code(0x77));
    session->OnReadCard(BuildFrame({3, 0x0B, 0x03, 0x77, 0, 0, 0, 0, 0}));
    EXPECT_EQ(CodeOfRow0(), Code(5));  // no capture runs: the event changes nothing
}

}  // namespace
}  // namespace pelko::test
