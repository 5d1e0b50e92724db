// OglContext: the native object behind a VOpenGL script object. It holds the
// settings of the script's view (camera, clipping, viewport, light, fog,
// clear colour, switches), the handles of its rendering context and of the
// device it is bound to, and the selection buffer. Each subsystem defines the
// operations of its own section in its own folder.
#pragma once

#include <GL/gl.h>

#include <cstdint>

#include "platform/platform.h"
#include "scene/light.h"
#include "scene/switches.h"
#include "scene/viewing.h"

class OglMaterial;
struct GLUquadric;
struct GLUnurbs;

class OglContext : public VeskAss {
public:
    static constexpr const char* kScriptClass = "VOpenGL";

    OglView view;
    OglSwitches switches;
    OglLight light{1.0f, 1.0f, 1.0f, 1.0f};
    OglFog fog{0.2f, 0.2f, 0.2f, 1.0f};
    int doubleBuffer = 0;
    platform::ContextHandle hglrc = 0;
    platform::DeviceHandle hdc = 0;
    platform::DeviceHandle savedDC = 0;
    platform::ContextHandle savedRC = 0;
    // The selection buffer belongs to the rendering context that selects
    // into it (picking/gl_state.h), not to this object.
    int selectionDepth = 0;
    int useAccelerator = 0;
    uint32_t pixelFlags = 0;

    OglContext() = default;
    ~OglContext() override;

    bool IsOpen() const { return hglrc != 0; }
    bool IsBound() const { return hglrc != 0 && hdc != 0; }

    // ---- device binding (context/binding.cpp) ----
    void Open(platform::DeviceHandle device);
    void OpenBitmap(platform::DeviceHandle device);
    int BindMDC(platform::DeviceHandle device);
    int FreeMDC();
    void Close();
    void Clear();
    void Flush();
    void SwapBuffers();
    void SetClientRect(int left, int top, int right, int bottom) {
        view.clientRect = {left, top, right, bottom};
    }
    // Stores the light's position, then sends the whole light if this
    // context's rendering context is the one current.
    void SetLightPosition(float x, float y, float z);

    // ---- version (context/version.cpp) ----
    void GetVersion(Variable& target);

    // ---- geometry (geometry/) ----
    // Arrays are packed float triples (x, y, z or red, green, blue); counts
    // are in triples. Every drawing operation does nothing unless bound.
    void SetPointSize(float size);   // only needs a rendering context
    void SetLineWidth(float width);  // likewise
    // GL_POINTS, GL_LINE_STRIP or GL_LINES after the smoothing switch; an
    // optional colour before each vertex.
    void PointsOrLines(GLenum primitive, const float* points, int n, const float* colors);
    // A normal before each vertex, and optionally a glColor3f between them.
    void Surface(GLenum primitive, const float* points, int n, const float* normals,
                 const float* colors);
    // Normals computed when null, else one per vertex (nNormals == n) or one
    // per triangle.
    void Triangles(const float* points, int n, const float* normals, int nNormals);
    // Colours as glColor3f, or as a temporary material while lighting.
    void ColorTriangles(const float* points, int n, const float* normals, int nNormals,
                        const float* colors);
    // Computed normals, alternating in sign, when `normals` is null.
    void TriangleStrip(const float* points, int n, const float* normals);
    // One group of a TrianglesEx mesh: its vertices and the material it uses.
    struct MeshGroup {
        const float* points;
        const float* normals;
        int count;
        const OglMaterial* material;  // null: the material state stays
    };
    // One triangle per first vertex (counted over all groups in order); a
    // batch per run of triangles of one group, its material applied first.
    void TrianglesEx(const MeshGroup* groups, int groupCount, const long* firstVertices,
                     int indexCount);
    void Sphere(const OglPoint4& centre, float radius, int n);
    void Cylinder(float base, float top, float height, int slices, int stacks);
    void Disk(float inner, float outer, int n);
    void PartialDisk(float inner, float outer, float start, float sweep, int n);
    // Sizes along x, z and y (in that order), centred on the origin.
    void Box(float a, float b, float c);
    // The same box with its lowest corner at (x0, y0, z0).
    void Box(float x0, float y0, float z0, float a, float b, float c);
    void Torus(float ringRadius, int sides, float tubeRadius, int tubeSegments);
    void DiskRings(GLUquadric* quadric, float inner, float outer, int n, float start, float sweep) const;
    void SampleAsOnScreen(GLUnurbs* renderer) const;
    // Cubic NURBS through a GLU renderer made for the call.
    void SplineCurve(int knotCount, const float* knots, const float* control);
    void SplineSurface(int sKnotCount, const float* sKnots, int tKnotCount, const float* tKnots,
                       const float* control, const float* normals);
    // Pixel blocks: 3 bytes a pixel (blue, green, red; turned to red, green,
    // blue in place), rows packed, lowest row first.
    void DrawBitmap(float x, float y, float z, int width, int height, unsigned char* block);
    void PutBitmap(float x, float y, float z, int width, int height, unsigned char* block);
    void Put2bBitmap(float x, float y, float z, int width, int height, const unsigned char* bits);
    // Reads a rectangle of the frame buffer into `target` as a pixel block.
    void GetDIBits(float x, float y, int width, int height, Variable& target);

    // ---- display lists and selection (picking/) ----
    GLuint GenList(int range);                  // first of range new names, 0 for none
    void NewList(int list);                     // records into list (> 0) while open
    void EndList();
    // Error 8, and no call, when the call would make the list being recorded
    // reach itself, or run too many lists nested in the ones it names.
    void CallList(int list);                    // while open
    void CallLists(const GLint* lists, int n);  // all in one call, while open
    void DeleteLists(int list, int range);
    // A display list is being recorded in the current rendering context.
    // Mesa 22.3 crashes replaying, in selection mode, a list whose vertices
    // mix primitive kinds without a state change between them; the solids
    // that GLU draws that way are drawn without mixing meanwhile
    // (geometry/solids.cpp).
    bool RecordingList() const;
    void InitNameStack();
    void PushName(GLuint name);
    void PopName();
    void LoadName(GLuint name);
    // Selection over a window rectangle whose top-right corner is (x, y).
    void BeginSelection(int x, int y, int width, int height);
    // Ends one level; the target gets the hit records (module error 5 when
    // no selection runs).
    void EndSelection(Variable& target);

private:
    void OpenWith(platform::DeviceHandle device, uint32_t flags);
    void SendInitialState();
};
