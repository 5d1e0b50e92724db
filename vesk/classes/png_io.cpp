// PNG through libpng's simplified API: any PNG in, converted to RGB; RGB out
// through the atomic file writer.
#include "vesk/classes/png_io.h"

#include <fcntl.h>
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "vesk/classes/atomic_file.h"
#include "vesk/values/value.h"

namespace vesk {

namespace {

// The most a deflate stream expands: 1032 bytes out for one byte in.
constexpr uint64_t kMaxInflation = 1032;

// Bits a pixel takes in the file, from the header chunk (IHDR) that follows
// the 8-byte signature: bit depth at byte 24, colour type at byte 25. Where
// the header cannot be read, the least any PNG uses: 1.
int StoredBitsPerPixel(const unsigned char* head, ssize_t size) {
    if (size < 26 || std::memcmp(head + 12, "IHDR", 4) != 0) return 1;
    int channels = 1;
    switch (head[25]) {
    case 2: channels = 3; break;  // RGB
    case 4: channels = 2; break;  // grey and alpha
    case 6: channels = 4; break;  // RGBA
    default: break;               // grey, palette
    }
    return head[24] * channels > 0 ? head[24] * channels : 1;
}

}  // namespace

struct PngReader::State {
    png_image image;
    std::FILE* file = nullptr;
    std::string shown;  // the path, for messages
    State() {
        std::memset(&image, 0, sizeof image);
        image.version = PNG_IMAGE_VERSION;
    }
    ~State() {
        png_image_free(&image);
        if (file) std::fclose(file);
    }
};

PngReader::PngReader() = default;
PngReader::~PngReader() = default;

int PngReader::Width() const { return state_ ? static_cast<int>(state_->image.width) : 0; }
int PngReader::Height() const { return state_ ? static_cast<int>(state_->image.height) : 0; }

bool PngReader::Open(const std::string& path, std::string* why) {
    state_ = std::make_unique<State>();
    State& s = *state_;
    s.shown = Clip(path);
    const std::string cannot = "cannot read PNG " + s.shown + ": ";
    if (path.find('\0') != std::string::npos) {
        *why = cannot + "a file name cannot hold a zero byte";
        return false;
    }
    // Without O_NONBLOCK, opening a FIFO would wait for a writer.
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *why = cannot + std::strerror(errno);
        return false;
    }
    struct stat st;
    std::string refusal;
    if (fstat(fd, &st) != 0) refusal = std::strerror(errno);
    else if (!S_ISREG(st.st_mode)) refusal = NotRegularText(st.st_mode);
    if (!refusal.empty()) {
        *why = cannot + refusal;
        close(fd);
        return false;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    unsigned char head[26];
    ssize_t headSize = pread(fd, head, sizeof head, 0);
    s.file = fdopen(fd, "rb");
    if (!s.file) {
        *why = cannot + std::strerror(errno);
        close(fd);
        return false;
    }
    if (!png_image_begin_read_from_stdio(&s.image, s.file)) {
        *why = cannot + s.image.message;
        return false;
    }
    uint64_t w = s.image.width, h = s.image.height;
    if (w < 1 || h < 1 || w > kMaxImageSide || h > kMaxImageSide) {
        *why = "PNG " + s.shown + " is " + std::to_string(w) + " x " + std::to_string(h) +
               "; sides of 1 to " + std::to_string(kMaxImageSide) + " pixels are supported";
        return false;
    }
    uint64_t pixelBytes = w * h * StoredBitsPerPixel(head, headSize) / 8;
    uint64_t fileBytes = static_cast<uint64_t>(st.st_size);
    if (pixelBytes > (fileBytes + 1) * kMaxInflation) {
        *why = "PNG " + s.shown + " is damaged: it declares " + std::to_string(w) + " x " + std::to_string(h) +
               " pixels, more than its " + std::to_string(fileBytes) + " bytes can hold";
        return false;
    }
    return true;
}

bool PngReader::Read(unsigned char* rgb, std::string* why) {
    State& s = *state_;
    s.image.format = PNG_FORMAT_RGB;
    if (!png_image_finish_read(&s.image, nullptr, rgb, 0, nullptr)) {
        *why = "cannot decode PNG " + s.shown + ": " + s.image.message;
        return false;
    }
    return true;
}

bool WritePng(const std::string& path, int width, int height, const unsigned char* rgb,
              std::string* why) {
    return WriteFileAtomically(
        path,
        [&](std::FILE* out, std::string* failure) {
            png_image image;
            std::memset(&image, 0, sizeof image);
            image.version = PNG_IMAGE_VERSION;
            image.width = static_cast<png_uint_32>(width);
            image.height = static_cast<png_uint_32>(height);
            image.format = PNG_FORMAT_RGB;
            if (png_image_write_to_stdio(&image, out, 0, rgb, 0, nullptr)) return true;
            *failure = std::ferror(out) ? std::strerror(errno) : image.message;
            return false;
        },
        why);
}

}  // namespace vesk
