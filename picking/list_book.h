// The books the module keeps on the display lists of one OpenGL rendering
// context: which names are alive (made by GenList or recorded, and not yet
// deleted), which lists each recorded list calls and how often, and which
// list is being recorded. OpenGL tells none of this cheaply, and without it
// a list that reaches itself twice has OpenGL run 2^64 nested calls inside
// one glCallList. No OpenGL calls here: the list operations consult the
// books, then call OpenGL.
#pragma once

#include <GL/gl.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class ListBook {
public:
    // A run of names, first .. end - 1 (64-bit, so that a run may end at 2^32).
    struct Run {
        uint64_t first, end;
    };

    // ---- names alive
    uint64_t Alive() const { return alive_; }
    bool IsAlive(GLuint name) const;
    void Add(uint64_t first, uint64_t end);
    // Forgets names first .. end - 1 and the calls of those lists; returns
    // the runs of them that were alive, lowest first.
    std::vector<Run> Delete(uint64_t first, uint64_t end);

    // ---- recording, as OpenGL does it: one list at a time
    GLuint Recording() const { return recording_; }
    void Start(GLuint list);  // nothing while another list is recorded
    void End();               // the list's new calls replace its old ones
    // Whether calling these names from the recorded list would make it reach
    // itself; `culprit` is then the first name that does.
    bool ClosesCycle(const GLint* names, long n, GLuint* culprit);
    void Record(const GLint* names, long n);

    // ---- running
    bool HasCalls() const { return !calls_.empty(); }
    // The lists that calling these names runs inside them (calls of calls
    // down to `maxNesting` levels, as OpenGL stops there), counted up to
    // limit + 1.
    uint64_t NestedRuns(const GLint* names, long n, uint64_t limit, int maxNesting);

private:
    struct Call {
        GLuint list;
        uint32_t times;  // stops at its largest value
    };

    bool Reaches(GLuint from);
    void Compact();
    uint64_t NestedRunsOf(GLuint root, uint64_t limit, int maxNesting);
    void Changed() { nested_.clear(); }

    // Names alive as bits, 64 names a word, by name / 64: one look-up a
    // name however scattered the names are.
    std::unordered_map<uint32_t, uint64_t> words_;
    uint64_t alive_ = 0;
    std::map<GLuint, std::vector<Call>> calls_;
    GLuint recording_ = 0;
    std::vector<Call> pending_;                    // calls of the list being recorded
    std::size_t compacted_ = 0;                    // how many of them are sorted and merged
    std::unordered_set<GLuint> clear_;             // lists known not to reach it
    std::unordered_map<GLuint, uint64_t> nested_;  // NestedRunsOf, until the calls change
};
