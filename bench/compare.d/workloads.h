/* The drawing work that bench/compare runs in C, in a Vesk script and in
 * Python: the sizes, the scene and the formulas every side makes its data
 * from, so that all three draw the same picture. workloads.vsk and
 * pyopengl.py repeat these numbers; change them together. */
#ifndef COMPARE_WORKLOADS_H
#define COMPARE_WORKLOADS_H

enum {
    kWidth = 640, kHeight = 480,  /* the pbuffer, and the viewport */
    kTriangles = 1000000,         /* workloads 1 and 2 */
    kSpheres = 10000,             /* workload 3 */
    kPickPasses = 1000,           /* workload 4 ... */
    kPickSpheres = 100,           /* ... over the first 100 sphere positions */
    kReadSize = 512,              /* workload 5: a 512 x 512 read-back ... */
    kReads = 100,                 /* ... this many times */
    kSlices = 10                  /* gluSphere slices and stacks */
};

/* The view: glFrustum(-0.4, 0.4, -0.3, 0.3, 1, 100) seen from (0, 0, 10)
 * towards the origin, so the plane z = 0 shows x -4 .. 4 and y -3 .. 3
 * (80 pixels a unit). */
#define kClipX 0.4
#define kClipY 0.3
#define kNear 1.0
#define kFar 100.0
#define kEyeZ 10.0
#define kSphereRadius 0.0625  /* exact in binary: every side hands GLU the same radius */

/* The pick rectangle: BeginSelection(420, 140, 200, 200) in the script is
 * gluPickMatrix(320, 240, 200, 200, viewport), the middle of the view. */
#define kPickX 420
#define kPickY 140
#define kPickSize 200

/* Triangle t: corner (cx, cy, cz), one corner s to the right, one s up
 * (counter-clockwise, 2 to 4 pixels), normal (nx, ny, 1). Computed in
 * double precision, stored as floats. */
#define TRI_CX(t) (((t) * 37 % 640) / 80.0 - 4.0)
#define TRI_CY(t) (((t) * 61 % 480) / 80.0 - 3.0)
#define TRI_CZ(t) (((t) * 13 % 200) / 100.0 - 1.0)
#define TRI_S(t) (0.025 + ((t) % 3) * 0.0125)
#define TRI_NX(t) (((t) % 5 - 2) * 0.25)
#define TRI_NY(t) (((t) % 7 - 3) * 0.25)

/* Sphere i: centre (x, y, z), radius kSphereRadius. */
#define SPH_X(i) (((i) * 37 % 640) / 80.0 - 4.0)
#define SPH_Y(i) (((i) * 61 % 480) / 80.0 - 3.0)
#define SPH_Z(i) (((i) * 13 % 20) / 10.0 - 1.0)

#endif
