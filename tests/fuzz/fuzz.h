// What the fuzz targets share: the input cut into NUL-terminated fields, each copied into a
// heap block of its exact size (so that AddressSanitizer sees a read past a terminator),
// output buffers of an exact size chosen by the input, and the check that stops the run
// with the failed property.
#pragma once
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

// Stops the run, naming the property that failed; libFuzzer keeps the input as a crash.
#define FUZZ_CHECK(condition)                                                                                \
    do {                                                                                                     \
        if (!(condition)) {                                                                                  \
            fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #condition);                 \
            abort();                                                                                         \
        }                                                                                                    \
    } while (0)

// The input read from the front: bytes for sizes and choices, then texts separated by NUL
// bytes. A field the input runs out for is empty.
class FuzzInput
{
public:
    FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size)
    {
    }
    // One byte, or 0 when none is left.
    unsigned Byte()
    {
        if (size_ == 0)
            return 0;
        size_--;
        return *data_++;
    }
    // A buffer size from 0 to limit (two bytes, so that the small sizes come often).
    size_t Size(size_t limit)
    {
        unsigned high = Byte();
        unsigned low = Byte();
        size_t value = high & 0x80 ? ((high & 0x7f) << 8 | low) : low;
        return value % (limit + 1);
    }
    // The text up to the next NUL byte (or the end).
    std::string Text()
    {
        const uint8_t* end = (const uint8_t*)memchr(data_, 0, size_);
        size_t length = end ? (size_t)(end - data_) : size_;
        std::string text((const char*)data_, length);
        data_ += length;
        size_ -= length;
        if (size_ > 0) {
            data_++;
            size_--;
        }
        return text;
    }
    // What is left, NUL bytes included.
    std::string Rest()
    {
        std::string rest((const char*)data_, size_);
        data_ += size_;
        size_ = 0;
        return rest;
    }

private:
    const uint8_t* data_;
    size_t size_;
};

// A NUL-terminated copy of a text in a heap block of exactly its size.
class HeapText
{
public:
    explicit HeapText(const std::string& text) : text_((char*)malloc(text.size() + 1))
    {
        memcpy(text_, text.c_str(), text.size() + 1);
    }
    ~HeapText()
    {
        free(text_);
    }
    HeapText(const HeapText&) = delete;
    HeapText& operator=(const HeapText&) = delete;
    const char* get() const
    {
        return text_;
    }

private:
    char* text_;
};

// An output buffer of exactly size bytes, filled with a byte no function writes by itself.
class OutBuffer
{
public:
    explicit OutBuffer(size_t size) : size_(size), bytes_((char*)malloc(size ? size : 1))
    {
        memset(bytes_, 0xA5, size ? size : 1);
    }
    ~OutBuffer()
    {
        free(bytes_);
    }
    OutBuffer(const OutBuffer&) = delete;
    OutBuffer& operator=(const OutBuffer&) = delete;
    char* get()
    {
        return bytes_;
    }
    size_t size() const
    {
        return size_;
    }
    // True when the buffer holds a terminator (any buffer of size 0 passes).
    bool Terminated() const
    {
        return size_ == 0 || memchr(bytes_, 0, size_) != NULL;
    }
    // The text, or "" for a buffer of size 0.
    std::string Text() const
    {
        return size_ == 0 ? std::string() : std::string(bytes_, strnlen(bytes_, size_));
    }
    // True when no byte was written (a buffer of size 0 must stay untouched).
    bool Untouched() const
    {
        for (size_t i = 0; i < (size_ ? size_ : 1); i++) {
            if ((unsigned char)bytes_[i] != 0xA5)
                return false;
        }
        return true;
    }

private:
    size_t size_;
    char* bytes_;
};

static inline bool StartsWith(const std::string& text, const std::string& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

static inline bool EndsWith(const std::string& text, const std::string& suffix)
{
    return text.size() >= suffix.size()
        && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}
