"""The Python side of bench/compare: the workloads of workloads.h with
Debian's PyOpenGL, on a surfaceless EGL pbuffer made through ctypes the way
the module's platform makes an offscreen device. Immediate mode reads Python
lists; the vertex-buffer path reads numpy arrays. Prints "sample" and
"check" lines like gl_c.

usage: /usr/bin/python3 pyopengl.py REPS [WORKLOAD...]
"""
import ctypes
import os
import sys
import time

# PyOpenGL picks its platform at the first import, and error checking after
# every call is off: the fastest PyOpenGL there is.
os.environ["PYOPENGL_PLATFORM"] = "egl"
import OpenGL  # noqa: E402

OpenGL.ERROR_CHECKING = False
OpenGL.ERROR_LOGGING = False
from OpenGL import GL as gl  # noqa: E402
from OpenGL import GLU as glu  # noqa: E402
import numpy as np  # noqa: E402

# The numbers of workloads.h.
WIDTH, HEIGHT = 640, 480
TRIANGLES, SPHERES, PICK_PASSES, PICK_SPHERES = 1000000, 10000, 1000, 100
READ_SIZE, READS, SLICES = 512, 100, 10
CLIP_X, CLIP_Y, NEAR, FAR, EYE_Z, RADIUS = 0.4, 0.3, 1.0, 100.0, 10.0, 0.0625
PICK_X, PICK_Y, PICK_SIZE = 420, 140, 200

# ---- device ----------------------------------------------------------------------

EGL_SURFACELESS_MESA = 0x31DD  # not in PyOpenGL 3.1.6
EGL_NONE, EGL_RED, EGL_GREEN, EGL_BLUE = 0x3038, 0x3024, 0x3023, 0x3022
EGL_ALPHA, EGL_DEPTH, EGL_STENCIL = 0x3021, 0x3025, 0x3026
EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT = 0x3040, 0x0008
EGL_SURFACE_TYPE, EGL_PBUFFER_BIT = 0x3033, 0x0001
EGL_WIDTH, EGL_HEIGHT, EGL_OPENGL_API = 0x3057, 0x3056, 0x30A2


def attributes(*values):
    return (ctypes.c_int32 * len(values))(*values)


def open_device():
    """Surfaceless display, the first RGB 8/8/8 pbuffer config with at least
    16 depth bits, a desktop OpenGL (compatibility) context, made current."""
    egl = ctypes.CDLL("libEGL.so.1")
    vp = ctypes.c_void_p
    egl.eglGetProcAddress.restype = vp
    egl.eglGetProcAddress.argtypes = [ctypes.c_char_p]
    egl.eglInitialize.argtypes = [vp, vp, vp]
    egl.eglChooseConfig.argtypes = [vp, vp, vp, ctypes.c_int32, vp]
    egl.eglGetConfigAttrib.argtypes = [vp, vp, ctypes.c_int32, vp]
    egl.eglCreatePbufferSurface.restype = vp
    egl.eglCreatePbufferSurface.argtypes = [vp, vp, vp]
    egl.eglCreateContext.restype = vp
    egl.eglCreateContext.argtypes = [vp, vp, vp, vp]
    egl.eglMakeCurrent.argtypes = [vp, vp, vp, vp]
    address = egl.eglGetProcAddress(b"eglGetPlatformDisplayEXT")
    if not address:
        sys.exit("pyopengl.py: no eglGetPlatformDisplayEXT")
    platform_display = ctypes.CFUNCTYPE(vp, ctypes.c_uint32, vp, vp)(address)
    dpy = platform_display(EGL_SURFACELESS_MESA, None, None)
    major, minor = ctypes.c_int32(), ctypes.c_int32()
    if not dpy or not egl.eglInitialize(dpy, ctypes.byref(major), ctypes.byref(minor)):
        sys.exit("pyopengl.py: no surfaceless EGL display")
    egl.eglBindAPI(EGL_OPENGL_API)
    wanted = attributes(EGL_RED, 8, EGL_GREEN, 8, EGL_BLUE, 8, EGL_ALPHA, 0, EGL_DEPTH, 16,
                        EGL_STENCIL, 0, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                        EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_NONE)
    configs, count = (vp * 64)(), ctypes.c_int32()
    egl.eglChooseConfig(dpy, wanted, configs, 64, ctypes.byref(count))

    def size(config, attribute):
        value = ctypes.c_int32()
        egl.eglGetConfigAttrib(dpy, config, attribute, ctypes.byref(value))
        return value.value

    rgb888 = [c for c in configs[:count.value]
              if (size(c, EGL_RED), size(c, EGL_GREEN), size(c, EGL_BLUE)) == (8, 8, 8)]
    if not rgb888:
        sys.exit("pyopengl.py: no RGB 8/8/8 config")
    surface = egl.eglCreatePbufferSurface(dpy, rgb888[0], attributes(EGL_WIDTH, WIDTH, EGL_HEIGHT, HEIGHT, EGL_NONE))
    context = egl.eglCreateContext(dpy, rgb888[0], None, None)
    if not surface or not context or not egl.eglMakeCurrent(dpy, surface, surface, context):
        sys.exit("pyopengl.py: cannot make an EGL context current")
    return egl  # keeps the library loaded


def set_scene():
    """The state the module's Open sends, with the view of workloads.h."""
    gl.glViewport(0, 0, WIDTH, HEIGHT)
    gl.glMatrixMode(gl.GL_PROJECTION)
    gl.glLoadIdentity()
    gl.glFrustum(-CLIP_X, CLIP_X, -CLIP_Y, CLIP_Y, NEAR, FAR)
    gl.glMatrixMode(gl.GL_MODELVIEW)
    gl.glLoadIdentity()
    glu.gluLookAt(0, 0, EYE_Z, 0, 0, 0, 0, 1, 0)
    gl.glShadeModel(gl.GL_FLAT)
    gl.glFrontFace(gl.GL_CCW)
    gl.glDisable(gl.GL_CULL_FACE)
    gl.glDepthFunc(gl.GL_LEQUAL)
    gl.glEnable(gl.GL_DEPTH_TEST)
    gl.glEnable(gl.GL_NORMALIZE)
    gl.glClearColor(0, 0, 0, 1)

# ---- timing and checks -----------------------------------------------------------


def timed(reps, work, impl, draw, fresh=True):
    """Prints "sample WORK IMPL WALL CPU" (milliseconds) for each repetition
    of draw() + glFinish, after a cleared and finished frame. The processor
    time is the whole process's, every llvmpipe thread included."""
    for _ in range(reps):
        if fresh:
            fresh_frame()
        wall, cpu = time.perf_counter(), time.process_time()
        draw()
        gl.glFinish()
        print("sample %s %s %.3f %.3f" % (work, impl, (time.perf_counter() - wall) * 1000,
                                         (time.process_time() - cpu) * 1000), flush=True)


def fresh_frame():
    gl.glClear(gl.GL_COLOR_BUFFER_BIT | gl.GL_DEPTH_BUFFER_BIT)
    gl.glFinish()


def frame_sum():
    gl.glPixelStorei(gl.GL_PACK_ALIGNMENT, 1)
    rgb = gl.glReadPixels(0, 0, WIDTH, HEIGHT, gl.GL_RGB, gl.GL_UNSIGNED_BYTE)
    return int(np.frombuffer(rgb, np.uint8).sum(dtype=np.uint64))

# ---- data --------------------------------------------------------------------------


def triangle_lists():
    """One 9-tuple of corners and one normal 3-tuple a triangle, as floats."""
    corners, normals = [], []
    for t in range(TRIANGLES):
        cx, cy, cz = (t * 37 % 640) / 80.0 - 4.0, (t * 61 % 480) / 80.0 - 3.0, (t * 13 % 200) / 100.0 - 1.0
        s = 0.025 + (t % 3) * 0.0125
        corners.append((cx, cy, cz, cx + s, cy, cz, cx, cy + s, cz))
        normals.append(((t % 5 - 2) * 0.25, (t % 7 - 3) * 0.25, 1.0))
    return corners, normals


def sphere_centres():
    return [((i * 37 % 640) / 80.0 - 4.0, (i * 61 % 480) / 80.0 - 3.0, (i * 13 % 20) / 10.0 - 1.0)
            for i in range(SPHERES)]

# ---- the workloads ----------------------------------------------------------------


def immediate(corners, normals):
    begin, end, normal3f, vertex3f = gl.glBegin, gl.glEnd, gl.glNormal3f, gl.glVertex3f
    begin(gl.GL_TRIANGLES)
    for (nx, ny, nz), (ax, ay, az, bx, by, bz, cx, cy, cz) in zip(normals, corners):
        normal3f(nx, ny, nz)
        vertex3f(ax, ay, az)
        vertex3f(bx, by, bz)
        vertex3f(cx, cy, cz)
    end()


class VertexBuffer:
    """Positions and per-vertex normals (each triangle's normal three times)
    in numpy arrays, drawn from one buffer object with glDrawArrays."""

    def __init__(self, corners, normals):
        self.positions = np.array(corners, dtype=np.float32).reshape(-1)
        self.normals = np.repeat(np.array(normals, dtype=np.float32), 3, axis=0).reshape(-1)
        self.buffer = gl.glGenBuffers(1)

    def upload(self):
        gl.glBindBuffer(gl.GL_ARRAY_BUFFER, self.buffer)
        gl.glBufferData(gl.GL_ARRAY_BUFFER, self.positions.nbytes + self.normals.nbytes, None, gl.GL_STATIC_DRAW)
        gl.glBufferSubData(gl.GL_ARRAY_BUFFER, 0, self.positions.nbytes, self.positions)
        gl.glBufferSubData(gl.GL_ARRAY_BUFFER, self.positions.nbytes, self.normals.nbytes, self.normals)

    def draw(self):
        gl.glBindBuffer(gl.GL_ARRAY_BUFFER, self.buffer)
        gl.glEnableClientState(gl.GL_VERTEX_ARRAY)
        gl.glEnableClientState(gl.GL_NORMAL_ARRAY)
        gl.glVertexPointer(3, gl.GL_FLOAT, 0, ctypes.c_void_p(0))
        gl.glNormalPointer(gl.GL_FLOAT, 0, ctypes.c_void_p(self.positions.nbytes))
        gl.glDrawArrays(gl.GL_TRIANGLES, 0, 3 * TRIANGLES)
        gl.glDisableClientState(gl.GL_VERTEX_ARRAY)
        gl.glDisableClientState(gl.GL_NORMAL_ARRAY)
        gl.glBindBuffer(gl.GL_ARRAY_BUFFER, 0)

    def upload_and_draw(self):
        self.upload()
        self.draw()


def triangles(reps, state):
    corners, normals = state["triangles"]
    timed(reps, "triangles", "py_imm", lambda: immediate(corners, normals))
    print("check triangles py_imm", frame_sum())
    vbo = VertexBuffer(corners, normals)
    timed(reps, "triangles", "py_vbo", vbo.upload_and_draw)
    print("check triangles py_vbo", frame_sum())
    timed(reps, "triangles", "py_vbo_drawonly", vbo.draw)
    print("check triangles py_vbo_drawonly", frame_sum())
    gl.glDeleteBuffers(1, [vbo.buffer])


def display_list(reps, state):
    corners, normals = state["triangles"]
    name = gl.glGenLists(1)
    gl.glNewList(name, gl.GL_COMPILE)
    immediate(corners, normals)
    gl.glEndList()
    timed(reps, "list", "py", lambda: gl.glCallList(name))
    print("check list py", frame_sum())
    gl.glDeleteLists(name, 1)


def draw_spheres(quadric, centres):
    push, pop, translate, sphere = gl.glPushMatrix, gl.glPopMatrix, gl.glTranslatef, glu.gluSphere
    for x, y, z in centres:
        push()
        translate(x, y, z)
        sphere(quadric, RADIUS, SLICES, SLICES)
        pop()


def spheres(reps, state):
    quadric = glu.gluNewQuadric()
    centres = state["spheres"]
    timed(reps, "spheres", "py", lambda: draw_spheres(quadric, centres))
    print("check spheres py", frame_sum())
    glu.gluDeleteQuadric(quadric)


def pick_pass(quadric, centres):
    """One pass in select mode; PyOpenGL hands back the hit records."""
    gl.glSelectBuffer(512)
    gl.glRenderMode(gl.GL_SELECT)
    view = gl.glGetIntegerv(gl.GL_VIEWPORT)
    gl.glMatrixMode(gl.GL_PROJECTION)
    gl.glPushMatrix()
    gl.glLoadIdentity()
    glu.gluPickMatrix(PICK_X - PICK_SIZE // 2, HEIGHT - PICK_Y - PICK_SIZE // 2, PICK_SIZE, PICK_SIZE, view)
    gl.glFrustum(-CLIP_X, CLIP_X, -CLIP_Y, CLIP_Y, NEAR, FAR)
    gl.glMatrixMode(gl.GL_MODELVIEW)
    gl.glInitNames()
    gl.glPushName(0)
    load, push, pop, translate, sphere = gl.glLoadName, gl.glPushMatrix, gl.glPopMatrix, gl.glTranslatef, glu.gluSphere
    for i, (x, y, z) in enumerate(centres):
        load(i)
        push()
        translate(x, y, z)
        sphere(quadric, RADIUS, SLICES, SLICES)
        pop()
    gl.glMatrixMode(gl.GL_PROJECTION)
    gl.glPopMatrix()
    gl.glMatrixMode(gl.GL_MODELVIEW)
    gl.glFlush()
    return list(gl.glRenderMode(gl.GL_RENDER))


def picking(reps, state):
    quadric = glu.gluNewQuadric()
    centres = state["spheres"][:PICK_SPHERES]
    hits = []

    def passes():
        nonlocal hits
        for _ in range(PICK_PASSES):
            hits = pick_pass(quadric, centres)
    timed(reps, "picking", "py", passes, fresh=False)
    names = sum(sum(h.names) for h in hits)
    print("check picking py %d hits, names adding up to %d" % (len(hits), names))
    glu.gluDeleteQuadric(quadric)


def read_block():
    """A 512 x 512 block as blue-green-red bytes, the way GetDIBits hands it."""
    gl.glPixelStorei(gl.GL_PACK_ALIGNMENT, 1)
    rgb = gl.glReadPixels(0, 0, READ_SIZE, READ_SIZE, gl.GL_RGB, gl.GL_UNSIGNED_BYTE)
    return np.frombuffer(rgb, np.uint8).reshape(-1, 3)[:, ::-1].tobytes()


def readback(reps, state):
    quadric = glu.gluNewQuadric()
    fresh_frame()
    draw_spheres(quadric, state["spheres"][:PICK_SPHERES])
    glu.gluDeleteQuadric(quadric)
    block = b""

    def reads():
        nonlocal block
        for _ in range(READS):
            block = read_block()
    timed(reps, "readback", "py", reads, fresh=False)
    bgr = np.frombuffer(block, np.uint8).astype(np.uint64)
    print("check readback py", int((bgr * (np.arange(bgr.size, dtype=np.uint64) % 3 + 1)).sum()))

# ---- main --------------------------------------------------------------------------


WORKLOADS = [("triangles", triangles), ("list", display_list), ("spheres", spheres),
             ("picking", picking), ("readback", readback)]


def main():
    reps = int(sys.argv[1]) if len(sys.argv) > 1 else 5
    chosen = sys.argv[2:] or [name for name, _ in WORKLOADS]
    unknown = set(chosen) - {name for name, _ in WORKLOADS}
    if reps < 1 or unknown:
        sys.exit("usage: pyopengl.py REPS [WORKLOAD...]   (triangles list spheres picking readback)")
    device = open_device()
    set_scene()
    state = {"spheres": sphere_centres()}
    if "triangles" in chosen or "list" in chosen:
        state["triangles"] = triangle_lists()
    for name, run in WORKLOADS:
        if name in chosen:
            run(reps, state)
    del device


if __name__ == "__main__":
    main()
