// Reading and writing PNG files as packed 8-bit RGB rows, top row first.
#pragma once

#include <memory>
#include <string>

namespace vesk {

constexpr int kMaxImageSide = 16384;

// Reads a PNG in two steps, so that the picture's memory can be weighed
// before any of it is allocated: Open reads the header, Read decodes.
class PngReader {
public:
    PngReader();
    ~PngReader();
    PngReader(const PngReader&) = delete;
    PngReader& operator=(const PngReader&) = delete;

    // Opens a regular file and reads its header. Refused: sides outside
    // 1 … kMaxImageSide, and more pixels than the file's bytes can hold
    // (compressed data expands at most about 1032 times: a small file that
    // declares a huge picture is damaged).
    bool Open(const std::string& path, std::string* why);
    int Width() const;
    int Height() const;
    // Decodes any PNG (grey, palette, alpha, 16-bit) into rgb, which holds
    // 3 × Width() × Height() bytes.
    bool Read(unsigned char* rgb, std::string* why);

private:
    struct State;
    std::unique_ptr<State> state_;
};

// Writes the picture as an RGB PNG, whole or not at all (the file it would
// replace stays as it was when the write fails).
bool WritePng(const std::string& path, int width, int height, const unsigned char* rgb,
              std::string* why);

}  // namespace vesk
