#include "engine/progress.h"

#include <algorithm>

namespace pelko {

void TProgressBar::SetPosition(int p) { Position = std::clamp(p, Min, std::max(Min, Max)); }

// The factor 100/254 to extended precision, as the search has always used it.
int SearchAddrPercent(int address) {
    return static_cast<int>(address * 0.393700787401574803149606L);
}

int CellPercent(int cell) { return static_cast<int>(cell / 10.09); }

int FractionPercent(int position, int max) { return max > 0 ? position * 100 / max : 0; }

std::string SearchCaption(int percent) {
    return "Поиск приборов: выполнено " + std::to_string(percent) + " %.";
}

std::string SearchScanCaption(int done, int total, int found) {
    return SearchCaption(FractionPercent(done, total)) + " Проверено адресов: " + std::to_string(done) + " из " +
           std::to_string(total) + ", найдено приборов: " + std::to_string(found) + ".";
}

std::string SearchAllScanCaption(int baud, int done, int total) {
    return std::string(kSearchAllCaption) + " Скорость " + std::to_string(baud) + ": проверено адресов " +
           std::to_string(done) + " из " + std::to_string(total) + ".";
}

std::string ReadCaption(const std::string& name) { return "Считывание карт с " + name; }

std::string ReadCaption(const std::string& name, int cell) {
    return ReadCaption(name) + " : " + std::to_string(CellPercent(cell)) + " %.";
}

std::string WriteCaption(const std::string& name) { return "Запись карт в " + name; }

std::string WriteCaption(const std::string& name, int cell) {
    return WriteCaption(name) + " : " + std::to_string(CellPercent(cell)) + " %.";
}

std::string LearnCaption(const std::string& name) { return "Считывание карт с " + name + " перед записью"; }

std::string PercentCaption(const std::string& caption, int percent) {
    return caption + " : " + std::to_string(percent) + " %.";
}

std::string CheckCaption(const std::string& name) { return "Проверка записи в " + name; }

std::string CheckCaption(const std::string& name, int percent) {
    return CheckCaption(name) + " : " + std::to_string(percent) + " %.";
}

}  // namespace pelko
