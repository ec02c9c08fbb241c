#include <cerrno>
#include <cstring>

#include "config/file_io.h"

namespace pelko {

std::string FileErrorText(int error) {
    switch (error) {
        case ENOENT: return "нет такого файла или папки";
        case EACCES:
        case EPERM: return "нет доступа";
        case EISDIR: return "это папка";
        case EINVAL: return "это не обычный файл";
        case EFBIG: return "файл слишком велик";
        case ENOSPC: return "нет места на диске";
        case EROFS: return "диск только для чтения";
        case ENOTDIR: return "в пути есть файл вместо папки";
        default: return std::strerror(error);
    }
}

}  // namespace pelko
