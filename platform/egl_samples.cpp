// Antialiasing: the sample count a device's pixel format is to have, chosen
// among the counts the display offers, and reading a multisampled frame
// buffer back as its resolved picture.
#define GL_GLEXT_PROTOTYPES 1
#include "platform/egl_state.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdlib>

namespace platform {
namespace egl {

int NearestSamples(const Device& device, int asked) {
    if (asked <= 1) return 0;
    int best = 0;
    for (EGLConfig config : g.configs) {
        int offered = Attr(config, EGL_SAMPLES);
        if (offered <= 1 || !Suits(device, config) || Attr(config, EGL_RED_SIZE) != 8 ||
            Attr(config, EGL_GREEN_SIZE) != 8 || Attr(config, EGL_BLUE_SIZE) != 8 ||
            Attr(config, EGL_DEPTH_SIZE) < 16)
            continue;
        int nearer = std::abs(offered - asked) - std::abs(best - asked);
        if (!best || nearer < 0 || (nearer == 0 && offered > best)) best = offered;
    }
    return best;
}

// Reading the default frame buffer of a multisampled config gives one
// sample of each pixel with Mesa (llvmpipe), not their average, although the
// window shows the average. A blit into a single-sampled frame buffer object
// averages them; the read is then made there. What the blit touches (the
// frame buffer and renderbuffer bindings, the scissor test, which clips
// blits) is put back afterwards.
void ReadFrame(int x, int y, int w, int h, unsigned char* rgb) {
    GLint sampleBuffers = 0;
    glGetIntegerv(GL_SAMPLE_BUFFERS, &sampleBuffers);
    if (sampleBuffers <= 0) {
        glReadPixels(x, y, w, h, GL_RGB, GL_UNSIGNED_BYTE, rgb);
        return;
    }
    GLint readBinding = 0, drawBinding = 0, renderbufferBinding = 0;
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &readBinding);
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &drawBinding);
    glGetIntegerv(GL_RENDERBUFFER_BINDING, &renderbufferBinding);
    GLboolean scissor = glIsEnabled(GL_SCISSOR_TEST);
    GLuint framebuffer = 0, renderbuffer = 0;
    glGenRenderbuffers(1, &renderbuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, renderbuffer);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, w, h);
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffer);
    glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                              renderbuffer);
    if (scissor) glDisable(GL_SCISSOR_TEST);
    glBlitFramebuffer(x, y, x + w, y + h, 0, 0, w, h, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
    glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, rgb);
    if (scissor) glEnable(GL_SCISSOR_TEST);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, GLuint(readBinding));
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, GLuint(drawBinding));
    glBindRenderbuffer(GL_RENDERBUFFER, GLuint(renderbufferBinding));
    glDeleteFramebuffers(1, &framebuffer);
    glDeleteRenderbuffers(1, &renderbuffer);
}

}  // namespace egl

using namespace egl;

bool SetDeviceSamples(DeviceHandle handle, int samples) {
    auto found = g.devices.find(handle);
    if (found == g.devices.end()) return Fail(kNoDevice, "device %ld does not exist", handle);
    Device& device = found->second;
    if (samples < 0 || samples > kMaxSamples)
        return Fail(kBadArgument, "%d samples per pixel asked for device %ld (0 to %d are "
                    "possible)", samples, handle, kMaxSamples);
    if (device.format)
        return Fail(kFormatSet, "device %ld has pixel format %d already: its samples are "
                    "chosen before its pixel format", handle, device.format);
    device.samples = NearestSamples(device, samples);
    return true;
}

bool DeviceSamples(DeviceHandle handle, int* samples) {
    auto found = g.devices.find(handle);
    if (found == g.devices.end()) return Fail(kNoDevice, "device %ld does not exist", handle);
    if (!samples) return Fail(kBadArgument, "no count to fill in for device %ld", handle);
    const Device& device = found->second;
    *samples = device.format ? Attr(g.configs[size_t(device.format - 1)], EGL_SAMPLES)
                             : device.samples;
    return true;
}

}  // namespace platform
