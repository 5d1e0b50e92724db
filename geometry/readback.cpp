// Reading the frame buffer back as the picture it shows: a multisampled
// buffer goes through a blit into a single-sampled frame buffer object,
// which averages the samples of each pixel, and is read there.
#define GL_GLEXT_PROTOTYPES 1
#include "geometry/readback.h"

#include <GL/glext.h>

namespace {

// The bindings and the scissor test (which clips blits) that the resolve
// changes, put back when it ends.
struct ResolveState {
    GLint readBinding = 0, drawBinding = 0, renderbufferBinding = 0;
    GLboolean scissor = GL_FALSE;
    ResolveState() {
        glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &readBinding);
        glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &drawBinding);
        glGetIntegerv(GL_RENDERBUFFER_BINDING, &renderbufferBinding);
        scissor = glIsEnabled(GL_SCISSOR_TEST);
        if (scissor) glDisable(GL_SCISSOR_TEST);
    }
    ~ResolveState() {
        if (scissor) glEnable(GL_SCISSOR_TEST);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(readBinding));
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, static_cast<GLuint>(drawBinding));
        glBindRenderbuffer(GL_RENDERBUFFER, static_cast<GLuint>(renderbufferBinding));
    }
};

}  // namespace

void ReadShownPixels(int x, int y, int width, int height, unsigned char* rgb) {
    GLint sampleBuffers = 0;
    glGetIntegerv(GL_SAMPLE_BUFFERS, &sampleBuffers);
    if (sampleBuffers <= 0) {
        glReadPixels(x, y, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb);
        return;
    }
    GLuint framebuffer = 0, renderbuffer = 0;
    {
        ResolveState saved;
        glGenRenderbuffers(1, &renderbuffer);
        glBindRenderbuffer(GL_RENDERBUFFER, renderbuffer);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
        glGenFramebuffers(1, &framebuffer);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffer);
        glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                                  renderbuffer);
        glBlitFramebuffer(x, y, x + width, y + height, 0, 0, width, height, GL_COLOR_BUFFER_BIT,
                          GL_NEAREST);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
        glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb);
    }
    glDeleteFramebuffers(1, &framebuffer);
    glDeleteRenderbuffers(1, &renderbuffer);
}
