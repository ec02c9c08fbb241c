#pragma once
// The inspector's markup for the current card and for the selected device.
// Names and users are escaped, so any text shows and edits as it is.
#include <string>

#include "model/conf_pelko.h"

namespace pelko {

// Key of the device markup: "dev" and the index.
inline constexpr char kDeviceKeyPrefix[] = "dev";

// Rows "Ячейка" (its own cell, then every free cell of the shown kind),
// "Код карты" and "Пользователь"; the key is the list row.
std::string CardMarkup(const TConfPelko& conf, bool master, int row);
// Rows "Имя", "Адрес", "Подключен", "Открыт", "Параметры", "В группе".
std::string DeviceMarkup(const TConfPelko& dev, int index);
// The markup of an empty inspector.
std::string EmptyMarkup();

// Text put into an attribute or element of the markup.
std::string EscapeMarkup(const std::string& text);

}  // namespace pelko
