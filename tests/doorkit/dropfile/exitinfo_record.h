// Building EXITINFO.BBS records byte by byte for the tests.
#ifndef TESTS_DOORKIT_DROPFILE_EXITINFO_RECORD_H
#define TESTS_DOORKIT_DROPFILE_EXITINFO_RECORD_H

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "doorkit/dropfile/exitinfo_layout.h"

namespace grimbo_test {

class ExitRecord {
public:
    explicit ExitRecord(std::size_t size, std::uint8_t fill = 0) : bytes_(size, static_cast<char>(fill)) {}

    // A record whose every byte is non-zero and whose every text field has a
    // valid length, so that reading and writing it back must keep it whole.
    static ExitRecord patterned(std::size_t size, std::span<const ODExitField> fields,
                                std::size_t fields_at = 0)
    {
        ExitRecord record(size);
        for (std::size_t i = 0; i < size; ++i)
            record.bytes_[i] = static_cast<char>(1 + (i * 7 + 3) % 255);
        record.valid_texts(fields, fields_at);
        return record;
    }

    void valid_texts(std::span<const ODExitField> fields, std::size_t fields_at)
    {
        for (const ODExitField& f : fields) {
            if (f.type != ODExitType::PString)
                continue;
            for (std::size_t i = 0; i < f.count; ++i) {
                const std::size_t at = fields_at + f.offset + i * (f.width + 1u);
                bytes_[at] = static_cast<char>((at % f.width) + 1);
            }
        }
    }

    ExitRecord& u8(std::size_t at, std::uint8_t value)
    {
        bytes_[at] = static_cast<char>(value);
        return *this;
    }
    ExitRecord& u16(std::size_t at, std::uint16_t value)
    {
        bytes_[at] = static_cast<char>(value & 0xFF);
        bytes_[at + 1] = static_cast<char>(value >> 8);
        return *this;
    }
    ExitRecord& u32(std::size_t at, std::uint32_t value)
    {
        u16(at, static_cast<std::uint16_t>(value & 0xFFFF));
        return u16(at + 2, static_cast<std::uint16_t>(value >> 16));
    }
    ExitRecord& text(std::size_t at, std::string_view value)
    {
        bytes_[at] = static_cast<char>(value.size());
        bytes_.replace(at + 1, value.size(), value);
        return *this;
    }
    std::uint16_t get16(std::size_t at) const
    {
        return static_cast<std::uint16_t>(static_cast<std::uint8_t>(bytes_[at]) |
                                          static_cast<std::uint8_t>(bytes_[at + 1]) << 8);
    }
    const std::string& bytes() const { return bytes_; }

private:
    std::string bytes_;
};

}  // namespace grimbo_test

#endif
