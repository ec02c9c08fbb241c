#pragma once
// The progress window's bar and the texts the operations show on it.
#include <cstdint>
#include <string>

namespace pelko {

struct TProgressBar {
    int Min = 0;
    int Max = 100;
    int Position = 0;
    int Step = 1;
    bool Marquee = false;

    void SetPosition(int p);  // kept within Min..Max
    void StepIt() { SetPosition(Position + Step); }
};

// Truncated percentages.
int SearchAddrPercent(int address);          // of the 254 addresses
int CellPercent(int cell);                   // of the 1010 cells; cell 1009 gives 100
int FractionPercent(int position, int max);  // position of max

std::string SearchCaption(int percent);
// While the line is searched: the caption with how many addresses are done and how many controllers answered.
std::string SearchScanCaption(int done, int total, int found);
// The same over every speed, at the speed being tried.
std::string SearchAllScanCaption(int baud, int done, int total);
std::string ReadCaption(const std::string& name);
std::string ReadCaption(const std::string& name, int cell);
std::string WriteCaption(const std::string& name);
std::string WriteCaption(const std::string& name, int cell);
// A bulk write reading first the cells it does not know.
std::string LearnCaption(const std::string& name);
// Any of these captions with how far it is: "… : 40 %."
std::string PercentCaption(const std::string& caption, int percent);
// A bulk write reading back what it wrote.
std::string CheckCaption(const std::string& name);
std::string CheckCaption(const std::string& name, int percent);

inline constexpr char kSearchAllCaption[] = "Розыск приборов...";
inline constexpr char kChangeParamsCaption[] = "Изменение параметров...";
inline constexpr char kCaptureCaption[] = "Поднесите карту к контроллеру";
inline constexpr char kChangeCodeCaption[] = "Изменение кода карты...";
inline constexpr char kWriteOneCaption[] = "Запись карты...";
inline constexpr char kCopyOneCaption[] = "Запись карты ...";
inline constexpr char kCopyManyCaption[] = "Копирование карт ...";
inline constexpr char kMoveCaption[] = "Перемещение карты...";
inline constexpr char kEraseOneCaption[] = "Удаление карты...";
inline constexpr char kEraseManyCaption[] = "Удаление карт...";
inline constexpr char kResetCaptionPrefix[] = "Сброс контроллера: ";
inline constexpr char kParamsDialogCaption[] = "Настройка прибора";
inline constexpr char kParamsDialogCaptionPrefix[] = "Настройка прибора ";

}  // namespace pelko
