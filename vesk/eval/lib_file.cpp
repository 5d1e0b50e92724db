// The file builtins: readfile, writefile, appendfile, readlines, readcsv,
// writecsv and exists. Reading takes regular files only (a folder, a FIFO or
// a device such as /dev/zero is refused before a byte is read) and checks
// their size against the limit of a string and the memory budget first.
// Every write goes through the atomic file writer: the new content goes to
// a temporary file that is renamed over the target, so a failed write
// leaves the old file whole. Every failure is error 14 with the system's
// reason.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <vector>

#include "vesk/classes/atomic_file.h"
#include "vesk/eval/library.h"

namespace vesk::vm {

namespace {

// A file descriptor, closed when it goes.
struct Descriptor {
    int fd = -1;
    Descriptor() = default;
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (fd >= 0) close(fd);
    }
};

[[noreturn]] void FileFail(Machine& m, const char* name, const std::string& what) {
    m.Fail(VE_FILE, std::string(name) + "(): " + what);
}

std::string PathArg(Machine& m, const char* name, const Slot& arg) {
    return std::string(StringArg(m, name, arg, "the path"));
}

// Reads up to `size` bytes, fewer only at the end of the file; -1 on error.
ssize_t ReadFully(int fd, char* into, size_t size) {
    size_t got = 0;
    while (got < size) {
        ssize_t n = read(fd, into + got, size - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;
        got += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(got);
}

// Opens a regular file for reading. Without O_NONBLOCK, opening a FIFO
// would wait for a writer; the file is refused before anything is read.
void OpenForReading(Machine& m, const char* name, const std::string& path, Descriptor* file, struct stat* st) {
    const std::string cannot = "cannot read " + Clip(path) + ": ";
    if (path.find('\0') != std::string::npos) FileFail(m, name, cannot + "a file name cannot hold a zero byte");
    file->fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (file->fd < 0) FileFail(m, name, cannot + std::strerror(errno));
    if (fstat(file->fd, st) != 0) FileFail(m, name, cannot + std::strerror(errno));
    if (!S_ISREG(st->st_mode)) FileFail(m, name, cannot + NotRegularText(st->st_mode));
    fcntl(file->fd, F_SETFL, fcntl(file->fd, F_GETFL) & ~O_NONBLOCK);
}

[[noreturn]] void TooLarge(Machine& m, const char* name, const std::string& path, const std::string& size) {
    FileFail(m, name, "cannot read " + Clip(path) + ": it holds " + size + " bytes, more than a string may hold (" +
                          std::to_string(Limits().dataSize) + ")");
}

// readfile(path): the bytes as a string. A file that states its size is
// read straight into the string, so that it takes its size once.
void ReadFile(Machine& m, const char* name, Slot* args, int, Slot& out) {
    m.SyncLine();
    std::string path = PathArg(m, name, args[0]);
    {
        Descriptor file;
        struct stat st;
        OpenForReading(m, name, path, &file, &st);
        uint64_t stated = static_cast<uint64_t>(st.st_size);
        if (stated > static_cast<uint64_t>(Limits().dataSize)) TooLarge(m, name, path, std::to_string(stated));
        if (stated > 0) {
            // The budget is asked first so that a refusal names what it was for.
            {
                Reservation room;
                if (!room.Take(stated + kBlobOverhead, "the text of a file")) m.Check();
            }
            // A data block has a string's layout (its bytes, then a zero).
            Variable text;
            text.Init(VT_DATA, static_cast<long>(stated));
            m.Check();
            char* bytes = reinterpret_cast<char*>(BlobOf(text)->bytes());
            ssize_t n = ReadFully(file.fd, bytes, stated);
            if (n < 0) FileFail(m, name, "cannot read " + Clip(path) + ": " + std::strerror(errno));
            char more;
            ssize_t beyond = ReadFully(file.fd, &more, 1);
            if (beyond == 0 && static_cast<uint64_t>(n) == stated) {
                text.type = VT_STRING;
                return SetResult(m, out, text);
            }
            if (beyond == 0) {  // it shrank since
                Variable shorter;
                SetString(shorter, bytes, n);
                return SetResult(m, out, shorter);
            }
        }
    }
    // No size stated, or it grew while being read.
    std::string bytes;
    Reservation held;
    ReadWhole(m, name, path, &bytes, &held);
    SetText(m, out, bytes);
}

// readlines(path): the lines without their ends (\n or \r\n); a last line
// without an end counts, an end at the very end makes no empty line.
void ReadLines(Machine& m, const char* name, Slot* args, int, Slot& out) {
    m.SyncLine();
    std::string path = PathArg(m, name, args[0]);
    std::string bytes;
    Reservation held;
    ReadWhole(m, name, path, &bytes, &held);
    std::vector<std::string_view> lines;
    std::string_view rest = bytes;
    while (!rest.empty()) {
        size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (end != std::string_view::npos && !line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
    }
    Variable result;
    result.Init(VT_VECTOR, static_cast<long>(lines.size()));
    m.Check();
    for (size_t i = 0; i < lines.size(); i++) {
        SetString(result.data.vec->items[i], lines[i]);
        m.Check();
    }
    SetResult(m, out, result);
}

// ---- CSV -------------------------------------------------------------------------
//
// RFC 4180 with a chosen separator: records end at \n or \r\n; a field in
// double quotes may hold separators, line ends and doubled quotes; a quote
// inside an unquoted field is kept as it is. An unquoted field that reads as
// a number (number()'s rules) is a number; every other field, and every
// quoted one, a string. An empty line is a row without fields.

// The separator a CSV builtin was given (null: none, a comma).
char SeparatorArg(Machine& m, const char* name, const Slot* arg) {
    if (!arg) return ',';
    std::string_view sep = StringArg(m, name, *arg, "the separator");
    if (sep.size() != 1 || sep[0] == '"' || sep[0] == '\n' || sep[0] == '\r')
        m.Fail(VE_BAD_ARGUMENT, std::string(name) + "(): the separator must be one character other than a quote "
                                                     "or a line end, not \"" + Clip(sep, 16) + "\"");
    return sep[0];
}

class CsvReader {
public:
    CsvReader(Machine& m, const char* name, const std::string& path, std::string_view text, char sep)
        : m_(m), name_(name), path_(path), text_(text), sep_(sep) {
        if (text_.substr(0, 3) == "\xEF\xBB\xBF") i_ = 3;  // a UTF-8 byte order mark
    }

    // record -> line-end | field (sep field)* [line-end]
    void Rows(Variable& rows) {
        rows.Init(VT_VECTOR, 0);
        m_.Check();
        while (i_ < text_.size()) {
            Variable* row = VectorAppend(VectorOf(rows));
            m_.Check();
            row->Init(VT_VECTOR, 0);
            m_.Check();
            HostVector* fields = VectorOf(*row);
            if (LineEnd()) continue;
            for (;;) {
                Field(*fields);
                if (i_ == text_.size() || text_[i_] != sep_) break;
                i_++;
            }
            if (i_ < text_.size() && !LineEnd()) Broken(line_, "a quoted field is followed by more text");
        }
    }

private:
    // Steps over a line end there, if there is one.
    bool LineEnd() {
        size_t end = text_[i_] == '\n' ? 1 : text_.substr(i_, 2) == "\r\n" ? 2 : 0;
        i_ += end;
        line_ += end > 0;
        return end > 0;
    }

    void Field(HostVector& row) {
        Variable* field = VectorAppend(&row);
        m_.Check();
        if (i_ < text_.size() && text_[i_] == '"') {
            int opened = line_;
            std::string value;
            for (i_++;;) {
                size_t quote = text_.find('"', i_);
                if (quote == std::string_view::npos) Broken(opened, "a quoted field starts here and has no closing quote");
                std::string_view part = text_.substr(i_, quote - i_);
                for (char c : part) line_ += c == '\n';
                value.append(part);
                i_ = quote + 1;
                if (i_ < text_.size() && text_[i_] == '"') {
                    value += '"';
                    i_++;
                } else {
                    break;
                }
            }
            SetString(*field, value);
        } else {
            size_t start = i_;
            while (i_ < text_.size() && text_[i_] != sep_ && text_[i_] != '\n' &&
                   text_.substr(i_, 2) != "\r\n")
                i_++;
            std::string_view value = text_.substr(start, i_ - start);
            std::string why;
            if (!ReadNumberValue(value, field, &why)) SetString(*field, value);
        }
        m_.Check();
    }

    [[noreturn]] void Broken(int line, const std::string& what) {
        FileFail(m_, name_, "cannot read " + Clip(path_) + ": line " + std::to_string(line) + ": " + what);
    }

    Machine& m_;
    const char* name_;
    const std::string& path_;
    std::string_view text_;
    char sep_;
    size_t i_ = 0;
    int line_ = 1;
};

void ReadCsv(Machine& m, const char* name, Slot* args, int count, Slot& out) {
    m.SyncLine();
    std::string path = PathArg(m, name, args[0]);
    char sep = SeparatorArg(m, name, count == 2 ? &args[1] : nullptr);
    std::string bytes;
    Reservation held;
    ReadWhole(m, name, path, &bytes, &held);
    Variable rows;
    CsvReader(m, name, path, bytes, sep).Rows(rows);
    SetResult(m, out, rows);
}

// A field as it is written: a number in the shortest form that reads back
// to the same double; a string in quotes when it holds the separator, a
// quote or a line end, when it would read back as a number, or when it is
// the only field of its row and empty (an empty line is a row without
// fields).
void WriteField(Machine& m, TextBuilder& text, const Variable& v, char sep, bool alone, int row, int column) {
    if (IsNumber(v)) {
        double d = v.GetDoubleNumb();
        if (d == 0 && std::signbit(d)) return text.Append("-0.0");  // "-0" would come back as 0
        Variable exact;
        if (v.type == VT_FLOAT) exact = d;  // the float's value, as the double it reads back as
        return text.Append(Format(v.type == VT_FLOAT ? exact : v));
    }
    if (v.type != VT_STRING)
        m.Fail(VE_WRONG_KIND, "writecsv(): rows[" + std::to_string(row) + "][" + std::to_string(column) +
                                  "] must be a number or a string, not " + AKind(v));
    std::string_view s = StringOf(v);
    Variable number;
    std::string why;
    bool quote = s.find_first_of(std::string{sep, '"', '\n', '\r'}) != std::string_view::npos ||
                 (s.empty() && alone) || ReadNumberValue(s, &number, &why);
    if (!quote) return text.Append(s);
    text.Append("\"");
    for (size_t start = 0;;) {
        size_t q = s.find('"', start);
        text.Append(s.substr(start, q == std::string_view::npos ? q : q + 1 - start));
        if (q == std::string_view::npos) break;
        text.Append("\"");
        start = q + 1;
    }
    text.Append("\"");
}

// writecsv(path, rows[, sep]): rows a vector of vectors of numbers and
// strings, one line each, ended by \n. The text is made whole before the
// file is touched.
void WriteCsv(Machine& m, const char* name, Slot* args, int count, Slot& out) {
    m.SyncLine();
    std::string path = PathArg(m, name, args[0]);
    Variable rows = Deref(args[1]);
    char sep = SeparatorArg(m, name, count == 3 ? &args[2] : nullptr);
    if (rows.type != VT_VECTOR)
        m.Fail(VE_WRONG_KIND, "writecsv(): the rows must be a vector of vectors, not " + AKind(rows));
    TextBuilder text(m, name);
    const Vector* all = rows.data.vec;
    for (int r = 0; r < all->count; r++) {
        const Variable& row = *all->items[r].GetPointer();
        if (row.type != VT_VECTOR)
            m.Fail(VE_WRONG_KIND, "writecsv(): rows[" + std::to_string(r) + "] must be a vector, not " + AKind(row));
        const Vector* fields = row.data.vec;
        for (int f = 0; f < fields->count; f++) {
            if (f) text.Append(1, sep);
            WriteField(m, text, *fields->items[f].GetPointer(), sep, fields->count == 1, r, f);
        }
        text.Append("\n");
    }
    std::string why;
    const std::string& bytes = text.Text();
    bool written = WriteFileAtomically(
        path,
        [&](std::FILE* file, std::string* failure) {
            if (std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size()) return true;
            *failure = std::strerror(errno);
            return false;
        },
        &why);
    if (!written) FileFail(m, name, why);
    Release(out);
}

// ---- writing text ----------------------------------------------------------------

// The bytes a value writes as: a string's or data block's own, any other
// value's printed form.
std::string_view TextOf(const Variable& v, std::string* printed) {
    if (v.type == VT_STRING || v.type == VT_DATA) return StringOf(v);
    *printed = Format(v);
    return *printed;
}

// writefile(path, text) and appendfile(path, text). Appending copies the
// old content into the new file, then adds the text: the file is replaced
// whole as a write is, never left half appended.
template <bool kAppend>
void WriteText(Machine& m, const char* name, Slot* args, int, Slot& out) {
    m.SyncLine();
    std::string path = PathArg(m, name, args[0]);
    Variable value = Deref(args[1]);
    std::string printed;
    std::string_view text = TextOf(value, &printed);
    std::string why;
    bool written = WriteFileAtomically(
        path,
        [&](std::FILE* file, std::string* failure) {
            if (kAppend) {
                Descriptor old;
                old.fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
                if (old.fd < 0 && errno != ENOENT) {
                    *failure = std::string("cannot read what it holds: ") + std::strerror(errno);
                    return false;
                }
                char buffer[65536];
                ssize_t n = 0;
                while (old.fd >= 0 && (n = ReadFully(old.fd, buffer, sizeof buffer)) > 0)
                    if (std::fwrite(buffer, 1, static_cast<size_t>(n), file) != static_cast<size_t>(n)) break;
                if (n < 0) {
                    *failure = std::string("cannot read what it holds: ") + std::strerror(errno);
                    return false;
                }
            }
            if (!std::ferror(file) && std::fwrite(text.data(), 1, text.size(), file) == text.size()) return true;
            *failure = std::strerror(errno);
            return false;
        },
        &why);
    if (!written) FileFail(m, name, why);
    Release(out);
}

// exists(path): whether something (a file, a folder, …) is there; a link
// that leads nowhere is nothing. A path that cannot be looked at (a folder
// on the way that may not be searched) is error 14.
void Exists(Machine& m, const char* name, Slot* args, int, Slot& out) {
    m.SyncLine();
    std::string path = PathArg(m, name, args[0]);
    if (path.find('\0') != std::string::npos)
        FileFail(m, name, "cannot look at " + Clip(path) + ": a file name cannot hold a zero byte");
    struct stat st;
    if (stat(path.c_str(), &st) == 0) return SetBoolean(out, true);
    if (errno == ENOENT || errno == ENOTDIR) return SetBoolean(out, false);
    FileFail(m, name, "cannot look at " + Clip(path) + ": " + std::strerror(errno));
}

const Builtin kRows[] = {
    {"readfile", 1, 1, ReadFile},
    {"writefile", 2, 2, WriteText<false>},
    {"appendfile", 2, 2, WriteText<true>},
    {"readlines", 1, 1, ReadLines},
    {"readcsv", 1, 2, ReadCsv},
    {"writecsv", 2, 3, WriteCsv},
    {"exists", 1, 1, Exists},
};

}  // namespace

// The whole content of a file into `bytes`, whose memory `held` charges to
// the budget. The size the file states is checked before reading; a file
// that states none (those of /proc) or grows is read until it ends or passes
// the limit.
void ReadWhole(Machine& m, const char* name, const std::string& path, std::string* bytes, Reservation* held) {
    Descriptor file;
    struct stat st;
    OpenForReading(m, name, path, &file, &st);
    const uint64_t limit = static_cast<uint64_t>(Limits().dataSize);
    uint64_t stated = static_cast<uint64_t>(st.st_size);
    if (stated > limit) TooLarge(m, name, path, std::to_string(stated));
    // One byte beyond the stated size, so that the end shows without growing.
    uint64_t capacity = stated + 1 > 4096 ? stated + 1 : 4096;
    size_t used = 0;
    for (;;) {
        if (!held->Take(capacity, "a file being read")) m.Check();
        bytes->resize(capacity);
        ssize_t n = ReadFully(file.fd, bytes->data() + used, capacity - used);
        if (n < 0) FileFail(m, name, "cannot read " + Clip(path) + ": " + std::strerror(errno));
        used += static_cast<size_t>(n);
        if (used < capacity) break;
        if (used > limit) TooLarge(m, name, path, "more than " + std::to_string(limit));
        capacity = capacity * 2 < limit + 1 ? capacity * 2 : limit + 1;
    }
    bytes->resize(used);
}

BuiltinRows FileBuiltins() { return {kRows, sizeof kRows / sizeof kRows[0]}; }

}  // namespace vesk::vm
