/* The C side of bench/compare: the workloads of workloads.h written as a C
 * programmer would, on a surfaceless EGL pbuffer set up as the module's
 * platform sets up an offscreen device. Prints a "sample" line per
 * repetition (wall and processor milliseconds) and a "check" line per
 * workload that tells whether the three sides drew the same thing.
 * usage: gl_c REPS [WORKLOAD...]   (triangles list spheres picking readback) */
#define _POSIX_C_SOURCE 200809L
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glu.h>

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include "workloads.h"

/* ---- device: what the module's Open does on an offscreen MDC ------------ */

static int fail(const char *why) {
    fprintf(stderr, "gl_c: %s (EGL error 0x%x)\n", why, eglGetError());
    return 0;
}

/* Surfaceless display, the first RGB 8/8/8 pbuffer config with a depth
 * buffer of at least 16 bits, a desktop OpenGL (compatibility) context. */
static int open_device(void) {
    PFNEGLGETPLATFORMDISPLAYEXTPROC platformDisplay =
        (PFNEGLGETPLATFORMDISPLAYEXTPROC)eglGetProcAddress("eglGetPlatformDisplayEXT");
    if (!platformDisplay) return fail("no eglGetPlatformDisplayEXT");
    EGLDisplay dpy = platformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, NULL);
    EGLint major, minor;
    if (dpy == EGL_NO_DISPLAY || !eglInitialize(dpy, &major, &minor)) return fail("no display");
    if (!eglBindAPI(EGL_OPENGL_API)) return fail("no desktop OpenGL");
    const EGLint wanted[] = {EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8,
                             EGL_ALPHA_SIZE, 0, EGL_DEPTH_SIZE, 16, EGL_STENCIL_SIZE, 0,
                             EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                             EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_NONE};
    EGLConfig configs[64];
    EGLint n = 0;
    if (!eglChooseConfig(dpy, wanted, configs, 64, &n)) return fail("no config");
    EGLConfig config = NULL;
    for (EGLint i = 0; i < n && !config; i++) {
        EGLint r, g, b;
        eglGetConfigAttrib(dpy, configs[i], EGL_RED_SIZE, &r);
        eglGetConfigAttrib(dpy, configs[i], EGL_GREEN_SIZE, &g);
        eglGetConfigAttrib(dpy, configs[i], EGL_BLUE_SIZE, &b);
        if (r == 8 && g == 8 && b == 8) config = configs[i];
    }
    if (!config) return fail("no RGB 8/8/8 config");
    const EGLint size[] = {EGL_WIDTH, kWidth, EGL_HEIGHT, kHeight, EGL_NONE};
    EGLSurface surface = eglCreatePbufferSurface(dpy, config, size);
    EGLContext context = eglCreateContext(dpy, config, EGL_NO_CONTEXT, NULL);
    if (surface == EGL_NO_SURFACE || context == EGL_NO_CONTEXT) return fail("no surface or context");
    if (!eglMakeCurrent(dpy, surface, surface, context)) return fail("cannot make current");
    return 1;
}

/* The state the module's Open sends (smooth off, depth test, normalize, no
 * light, no blending), with the view of workloads.h. */
static void set_scene(void) {
    glViewport(0, 0, kWidth, kHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-kClipX, kClipX, -kClipY, kClipY, kNear, kFar);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(0, 0, kEyeZ, 0, 0, 0, 0, 1, 0);
    glShadeModel(GL_FLAT);
    glFrontFace(GL_CCW);
    glDisable(GL_CULL_FACE);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_NORMALIZE);
    glClearColor(0, 0, 0, 1);
}

/* ---- timing ---------------------------------------------------------------- */

/* Wall time, and the processor time of the whole process (every llvmpipe
 * thread included), in milliseconds. */
typedef struct {
    double wall, cpu;
} Stamp;

static double ms_of(clockid_t clock) {
    struct timespec t;
    clock_gettime(clock, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

static Stamp stamp(void) {
    Stamp s = {ms_of(CLOCK_MONOTONIC), ms_of(CLOCK_PROCESS_CPUTIME_ID)};
    return s;
}

/* "sample WORK c WALL CPU": one repetition since `start`. */
static void sample(const char *work, Stamp start) {
    Stamp end = stamp();
    printf("sample %s c %.3f %.3f\n", work, end.wall - start.wall, end.cpu - start.cpu);
    fflush(stdout);
}

/* Cleared and finished before the clock starts. */
static void fresh_frame(void) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glFinish();
}

/* The sum of every byte of the frame: equal sums mean equal pictures, as
 * far as a benchmark needs to know. */
static unsigned long long frame_sum(void) {
    static unsigned char rgb[3 * kWidth * kHeight];
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kWidth, kHeight, GL_RGB, GL_UNSIGNED_BYTE, rgb);
    unsigned long long sum = 0;
    for (size_t i = 0; i < sizeof rgb; i++) sum += rgb[i];
    return sum;
}

/* ---- data ------------------------------------------------------------------ */

static float *points, *normals;  /* 9 floats a triangle, 3 a normal */
static float sx[kSpheres], sy[kSpheres], sz[kSpheres];

static int make_data(void) {
    points = malloc(sizeof(float) * 9 * (size_t)kTriangles);
    normals = malloc(sizeof(float) * 3 * (size_t)kTriangles);
    if (!points || !normals) return 0;
    for (long t = 0; t < kTriangles; t++) {
        double cx = TRI_CX(t), cy = TRI_CY(t), cz = TRI_CZ(t), s = TRI_S(t);
        float *p = points + 9 * t, *n = normals + 3 * t;
        p[0] = (float)cx, p[1] = (float)cy, p[2] = (float)cz;
        p[3] = (float)(cx + s), p[4] = (float)cy, p[5] = (float)cz;
        p[6] = (float)cx, p[7] = (float)(cy + s), p[8] = (float)cz;
        n[0] = (float)TRI_NX(t), n[1] = (float)TRI_NY(t), n[2] = 1.0f;
    }
    for (int i = 0; i < kSpheres; i++)
        sx[i] = (float)SPH_X(i), sy[i] = (float)SPH_Y(i), sz[i] = (float)SPH_Z(i);
    return 1;
}

/* ---- the workloads --------------------------------------------------------- */

static void draw_triangles(void) {
    glBegin(GL_TRIANGLES);
    for (long t = 0; t < kTriangles; t++) {
        const float *p = points + 9 * t, *n = normals + 3 * t;
        glNormal3f(n[0], n[1], n[2]);
        glVertex3f(p[0], p[1], p[2]);
        glVertex3f(p[3], p[4], p[5]);
        glVertex3f(p[6], p[7], p[8]);
    }
    glEnd();
}

static void draw_spheres(GLUquadric *q, int count) {
    for (int i = 0; i < count; i++) {
        glPushMatrix();
        glTranslatef(sx[i], sy[i], sz[i]);
        gluSphere(q, kSphereRadius, kSlices, kSlices);
        glPopMatrix();
    }
}

static void triangles(int reps) {
    for (int r = 0; r < reps; r++) {
        fresh_frame();
        Stamp start = stamp();
        draw_triangles();
        glFinish();
        sample("triangles", start);
    }
    printf("check triangles c %llu\n", frame_sum());
}

static void list(int reps) {
    GLuint name = glGenLists(1);
    glNewList(name, GL_COMPILE);
    draw_triangles();
    glEndList();
    for (int r = 0; r < reps; r++) {
        fresh_frame();
        Stamp start = stamp();
        glCallList(name);
        glFinish();
        sample("list", start);
    }
    printf("check list c %llu\n", frame_sum());
    glDeleteLists(name, 1);
}

static void spheres(int reps) {
    GLUquadric *q = gluNewQuadric();
    for (int r = 0; r < reps; r++) {
        fresh_frame();
        Stamp start = stamp();
        draw_spheres(q, kSpheres);
        glFinish();
        sample("spheres", start);
    }
    gluDeleteQuadric(q);
    printf("check spheres c %llu\n", frame_sum());
}

/* One pass: select mode over the pick rectangle, a name per sphere, and the
 * hit records read into [names..., zmin, zmax] entries as a program would. */
static int pick_pass(GLUquadric *q, GLuint *buffer, double *hitsOut, unsigned long *nameSum) {
    glSelectBuffer(512, buffer);
    glRenderMode(GL_SELECT);
    GLint view[4];
    glGetIntegerv(GL_VIEWPORT, view);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluPickMatrix(kPickX - kPickSize / 2, kHeight - kPickY - kPickSize / 2, kPickSize, kPickSize, view);
    glFrustum(-kClipX, kClipX, -kClipY, kClipY, kNear, kFar);
    glMatrixMode(GL_MODELVIEW);
    glInitNames();
    glPushName(0);
    for (int i = 0; i < kPickSpheres; i++) {
        glLoadName((GLuint)i);
        glPushMatrix();
        glTranslatef(sx[i], sy[i], sz[i]);
        gluSphere(q, kSphereRadius, kSlices, kSlices);
        glPopMatrix();
    }
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glFlush();
    GLint hits = glRenderMode(GL_RENDER);
    GLuint p = 0;
    *nameSum = 0;
    for (GLint h = 0; h < hits; h++) {
        GLuint n = buffer[p];
        hitsOut[3 * h] = buffer[p + 1] / 2147483648.0;
        hitsOut[3 * h + 1] = buffer[p + 2] / 2147483648.0;
        for (GLuint j = 0; j < n; j++) *nameSum += buffer[p + 3 + j];
        hitsOut[3 * h + 2] = n;
        p += 3 + n;
    }
    return hits;
}

static void picking(int reps) {
    GLUquadric *q = gluNewQuadric();
    static GLuint buffer[512];
    static double hitList[3 * 512];
    int hits = 0;
    unsigned long names = 0;
    for (int r = 0; r < reps; r++) {
        Stamp start = stamp();
        for (int pass = 0; pass < kPickPasses; pass++) hits = pick_pass(q, buffer, hitList, &names);
        glFinish();
        sample("picking", start);
    }
    gluDeleteQuadric(q);
    printf("check picking c %d hits, names adding up to %lu\n", hits, names);
}

/* Reads a 512 x 512 block as blue-green-red, the way GetDIBits hands it. */
static void read_block(unsigned char *bgr) {
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kReadSize, kReadSize, GL_RGB, GL_UNSIGNED_BYTE, bgr);
    for (long i = 0; i < 3L * kReadSize * kReadSize; i += 3) {
        unsigned char red = bgr[i];
        bgr[i] = bgr[i + 2];
        bgr[i + 2] = red;
    }
}

static void readback(int reps) {
    static unsigned char bgr[3 * kReadSize * kReadSize];
    GLUquadric *q = gluNewQuadric();
    fresh_frame();
    draw_spheres(q, kPickSpheres);
    gluDeleteQuadric(q);
    for (int r = 0; r < reps; r++) {
        glFinish();
        Stamp start = stamp();
        for (int i = 0; i < kReads; i++) read_block(bgr);
        glFinish();
        sample("readback", start);
    }
    unsigned long long weighted = 0;  /* blue counts once, green twice, red three times */
    for (long i = 0; i < 3L * kReadSize * kReadSize; i++) weighted += bgr[i] * (unsigned long long)(i % 3 + 1);
    printf("check readback c %llu\n", weighted);
}

/* ---- main ------------------------------------------------------------------ */

static const struct {
    const char *name;
    void (*run)(int reps);
} kWorkloads[] = {
    {"triangles", triangles}, {"list", list}, {"spheres", spheres},
    {"picking", picking},     {"readback", readback},
};
enum { kWorkloadCount = sizeof kWorkloads / sizeof kWorkloads[0] };

static int wanted(int argc, char **argv, const char *name) {
    if (argc <= 2) return 1;
    for (int i = 2; i < argc; i++)
        if (!strcmp(argv[i], name)) return 1;
    return 0;
}

int main(int argc, char **argv) {
    int reps = argc > 1 ? atoi(argv[1]) : 5;
    if (reps < 1) {
        fprintf(stderr, "usage: gl_c REPS [WORKLOAD...]\n");
        return 2;
    }
    if (!open_device() || !make_data()) return 1;
    set_scene();
    for (int w = 0; w < kWorkloadCount; w++)
        if (wanted(argc, argv, kWorkloads[w].name)) kWorkloads[w].run(reps);
    return 0;
}
