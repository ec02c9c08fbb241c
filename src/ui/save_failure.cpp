#include "ui/save_failure.h"

#include <cerrno>
#include <cstring>

namespace pelko {

std::string SaveFailureReason(int err) {
    switch (err) {
        case EACCES:
        case EPERM: return "Нет прав на запись в этот файл или папку.";
        case EROFS: return "Диск доступен только для чтения.";
        case ENOSPC:
        case EDQUOT: return "На диске нет места.";
        case ENOENT:
        case ENOTDIR: return "Папка не найдена.";
        case EISDIR: return "Это папка, а не файл.";
        case EBUSY:
        case ETXTBSY: return "Файл занят другой программой.";
        default: return std::strerror(err);
    }
}

}  // namespace pelko
