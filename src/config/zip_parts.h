#pragma once
// The members of a zip archive held in memory, read by name (through
// libzip). Sizes are bounded: an archive is untrusted input.
#include <memory>
#include <string>
#include <string_view>

namespace pelko {

class ZipParts {
public:
    // Opens the archive; Ok() tells whether it is one.
    explicit ZipParts(std::string_view bytes);
    ~ZipParts();
    ZipParts(const ZipParts&) = delete;
    ZipParts& operator=(const ZipParts&) = delete;

    bool Ok() const { return Archive_ != nullptr; }
    bool Has(const std::string& name) const;
    // The member's bytes; false when it is missing, damaged or larger than limit.
    bool Read(const std::string& name, std::size_t limit, std::string& out) const;

private:
    struct Archive;
    std::unique_ptr<Archive> Archive_;
};

}  // namespace pelko
