#include "config/zip_parts.h"

#include <zip.h>

namespace pelko {

struct ZipParts::Archive {
    zip_t* zip = nullptr;
    ~Archive() {
        if (zip != nullptr) zip_discard(zip);
    }
};

ZipParts::ZipParts(std::string_view bytes) {
    zip_error_t error;
    zip_error_init(&error);
    // The source only borrows the bytes; the caller keeps them while this object lives.
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
    if (source != nullptr) {
        zip_t* zip = zip_open_from_source(source, ZIP_RDONLY, &error);
        if (zip != nullptr) {
            Archive_ = std::make_unique<Archive>();
            Archive_->zip = zip;
        } else {
            zip_source_free(source);
        }
    }
    zip_error_fini(&error);
}

ZipParts::~ZipParts() = default;

bool ZipParts::Has(const std::string& name) const {
    return Ok() && zip_name_locate(Archive_->zip, name.c_str(), 0) >= 0;
}

bool ZipParts::Read(const std::string& name, std::size_t limit, std::string& out) const {
    out.clear();
    if (!Ok()) return false;
    zip_file_t* file = zip_fopen(Archive_->zip, name.c_str(), 0);
    if (file == nullptr) return false;
    // The size in the directory is not trusted: reading stops past the limit.
    char buf[16384];
    bool ok = true;
    while (true) {
        const zip_int64_t n = zip_fread(file, buf, sizeof buf);
        if (n < 0) ok = false;
        if (n <= 0) break;
        out.append(buf, static_cast<std::size_t>(n));
        if (out.size() > limit) {
            ok = false;
            break;
        }
    }
    zip_fclose(file);
    if (!ok) out.clear();
    return ok;
}

}  // namespace pelko
