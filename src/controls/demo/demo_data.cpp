#include "demo/demo_data.h"

#include <QStringList>
#include <cstdint>

namespace pelko::demo {

namespace {

const QStringList& Surnames() {
    static const QStringList names = {
        QStringLiteral("Иванов"),   QStringLiteral("Петрова"),   QStringLiteral("Сидоренко"),
        QStringLiteral("Кузнецов"), QStringLiteral("Смирнова"),  QStringLiteral("Попов"),
        QStringLiteral("Васильев"), QStringLiteral("Соколова"),  QStringLiteral("Михайлов"),
        QStringLiteral("Новиков"),  QStringLiteral("Фёдорова"),  QStringLiteral("Морозов"),
        QStringLiteral("Волков"),   QStringLiteral("Алексеева"), QStringLiteral("Лебедев"),
        QStringLiteral("Семёнов"),  QStringLiteral("Егорова"),   QStringLiteral("Павлов"),
    };
    return names;
}

const QStringList& Roles() {
    static const QStringList roles = {
        QStringLiteral("бухгалтерия"), QStringLiteral("склад № 2"), QStringLiteral("охрана, пост у главного входа"),
        QStringLiteral("отдел кадров"), QStringLiteral("водитель"), QStringLiteral("гость"),
    };
    return roles;
}

// Small fixed generator: the demo looks the same on every run.
std::uint32_t Next(std::uint32_t& state) {
    state = state * 1664525u + 1013904223u;
    return state;
}

const std::uint32_t kStateColors[8] = {0x6060FF, 0x0000FF, 0xFF8000, 0xFF0000,
                                       0x00FF00, 0x008000, 0x80FFFF, 0x00FFFF};

}  // namespace

std::vector<TDemoCard> MakeCards(int count) {
    std::vector<TDemoCard> cards;
    std::uint32_t state = 250;
    for (int i = 0; i < count; ++i) {
        TDemoCard card;
        card.Pos = i;
        for (int b = 0; b < 5; ++b)
            card.Code += QStringLiteral("%1").arg(Next(state) >> 24, 2, 16, QLatin1Char('0')).toUpper();
        const std::uint32_t pick = Next(state);
        card.User = Surnames()[pick % Surnames().size()] + QStringLiteral(" ") +
                    QChar(u'А' + (pick >> 8) % 28) + QStringLiteral(". (") + Roles()[(pick >> 16) % Roles().size()] +
                    QStringLiteral(")");
        card.Marked = i % 97 == 3 || i % 97 == 4;
        cards.push_back(card);
    }
    return cards;
}

TColorCellList MakeDeviceCells(int count, int selected) {
    TColorCellList cells;
    for (int i = 0; i < count; ++i) {
        const std::string name = "Прибор: " + std::to_string(i * 3 + 1);
        TColorCell cell;
        cell.Color = kStateColors[i % 8];
        cell.Text = i == selected ? "*" + name + "*" : " " + name + " ";
        cell.Index = i;
        cells.push_back(cell);
    }
    return cells;
}

std::string MakeInspectorMarkup() {
    return "<Параметры ключ=\"dev4\" >"
           "<Параметр название=\"Имя\" тип=\"текст\" значение=\"Проходная &amp; склад\" максимум=\"40\"/>"
           "<Параметр название=\"Ячейка\" тип=\"список\" значение=\"12\">"
           "<*>12</*><*>13</*><*>14</*><*>20</*><*>21</*></Параметр>"
           "<Параметр название=\"Время реле, с\" тип=\"число\" значение=\"2,5\" делитель=\"10\" минимум=\"1\" "
           "максимум=\"2550\"/>"
           "<Параметр название=\"Адрес\" тип=\"константа\" значение=\"13\"/>"
           "<Параметр название=\"Подключен\" тип=\"константа\" значение=\"Да\"/>"
           "<Параметр название=\"Очень длинное название параметра\" тип=\"текст\" "
           "значение=\"значение, которое не помещается в колонку\"/>"
           "</Параметры>";
}

}  // namespace pelko::demo
