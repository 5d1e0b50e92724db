// What the module keeps for each OpenGL rendering context it made: the
// buffer OpenGL writes selection hits into, and the books of the context's
// display lists. The module's calls reach whatever rendering context is
// current, which need not be the calling object's own, so this state follows
// the rendering context: made on first use, dropped when Close deletes the
// context.
#pragma once

#include <GL/gl.h>

#include <cstdint>

#include "picking/list_book.h"
#include "platform/platform.h"

// Words of the selection buffer a rendering context hands OpenGL.
constexpr GLsizei kSelectWords = 512;

struct GlState {
    // OpenGL writes hits into the buffer glSelectBuffer gave it for as long as
    // the context stays in selection mode, whichever object's call handed it
    // over and whether or not that object still exists. So the buffer belongs
    // to the rendering context and lives exactly as long as it: no object's
    // end can leave OpenGL writing into freed memory.
    GLuint selectBuffer[kSelectWords] = {};
    ListBook lists;
    int maxListNesting = 0;  // GL_MAX_LIST_NESTING, asked for when first needed
};

// The state of a rendering context (0: none), made on first use when `make`;
// null when there is none (or no memory is left to make it).
GlState* GlStateOf(platform::ContextHandle context, bool make);
// Drops the state of a rendering context that was deleted.
void DropGlState(platform::ContextHandle context);
// List names alive in every rendering context of the process.
uint64_t ListNamesAlive();
