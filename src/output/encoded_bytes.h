// The bytes of an encoded file (a PNG), in one buffer from std::malloc that
// the value owns alone. Every encoder returns one; an empty value means the
// encoder ran out of memory (or was given nothing to encode).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <utility>

namespace proctex {

class EncodedBytes {
public:
    EncodedBytes() = default;
    EncodedBytes(EncodedBytes&& other) noexcept
        : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}
    EncodedBytes& operator=(EncodedBytes&& other) noexcept {
        if (this != &other) {
            std::free(data_);
            data_ = std::exchange(other.data_, nullptr);
            size_ = std::exchange(other.size_, 0);
        }
        return *this;
    }
    EncodedBytes(const EncodedBytes&) = delete;
    EncodedBytes& operator=(const EncodedBytes&) = delete;
    ~EncodedBytes() { std::free(data_); }

    // Takes over `data` (from std::malloc, or null) holding `size` bytes.
    static EncodedBytes adopt(uint8_t* data, std::size_t size) {
        EncodedBytes bytes;
        bytes.data_ = data;
        bytes.size_ = data != nullptr ? size : 0;
        return bytes;
    }
    // `capacity` bytes to encode into, or an empty value when memory runs out.
    static EncodedBytes allocate(std::size_t capacity) {
        return adopt(static_cast<uint8_t*>(std::malloc(capacity)), capacity);
    }

    const uint8_t* data() const { return data_; }
    uint8_t* data() { return data_; }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }

    // Keeps the first `size` bytes and gives back the rest of the buffer.
    void shrinkTo(std::size_t size) {
        if (size >= size_) return;
        if (size == 0) {
            *this = EncodedBytes();
            return;
        }
        size_ = size;
        if (void* shrunk = std::realloc(data_, size)) data_ = static_cast<uint8_t*>(shrunk);
    }

    // Hands the buffer to a caller who frees it with std::free (a C caller:
    // proctex_free); the value is empty afterwards.
    uint8_t* release() {
        size_ = 0;
        return std::exchange(data_, nullptr);
    }

private:
    uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace proctex
