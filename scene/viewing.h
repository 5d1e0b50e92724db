// OglView: the camera of a context — the viewer (eye, centre, up), the
// clipping box (the perspective frustum), the viewport and the client
// rectangle of the device it is bound to — and the model-view operations
// scripts call. A setter stores its values and, while the context is open,
// sends them at once; the Apply operations send the stored camera whenever
// they are called.
#pragma once

#include "scene/records.h"

// The client rectangle of the device, from the MDC.
struct OglClientRect {
    int left = 0, top = 0, right = 0, bottom = 0;
};

class OglView {
public:
    OglPoint4 eye{0, 0, 1000, 1};
    OglPoint4 center{0, 0, 0, 1};
    OglPoint4 up{0, 1, 0, 1};
    OglBox clip{-200, 200, -200, 200, -200, 200};
    OglRect viewport{0, 0, 400, 400};
    OglClientRect clientRect;

    void ApplyViewport() const;
    // The model-view becomes the viewer's transform alone.
    void ApplyViewer() const;
    // The projection becomes the clipping box's frustum.
    void ApplyProjection() const;
    // The clipping box's frustum multiplied into the current matrix: the
    // projection, the pick matrix of a selection and the sampling of NURBS
    // surfaces all take it from here.
    void ApplyFrustum() const;

    void SetViewport(float left, float top, float right, float bottom, bool open);
    void SetViewer(float eyeX, float eyeY, float eyeZ, float centerX, float centerY, float centerZ,
                   float upX, float upY, float upZ, bool open);
    void SetClipping(float left, float right, float bottom, float top, float near, float far, bool open);
    void SetPerspective(float fovy, float aspect, float near, float far, bool open);

    // Model-view transforms: nothing is issued unless open.
    static void Translate(float x, float y, float z, bool open);
    static void Rotate(float x, float y, float z, float angle, bool open);
    static void Scale(float x, float y, float z, bool open);
    static void PushModelMatrix(bool open);
    static void PopModelMatrix(bool open);
    // These always issue their calls, to whatever context is current.
    static void LoadIdentity();
    void LoadMatrix(const double matrix[16]) const;
    static void MultiplyMatrix(const double matrix[16]);
    // The current model-view and the viewer's own; the model-view is left as
    // it was. Without a current context both stay identity.
    void GetMatrices(double full[16], double look[16]) const;

private:
    // gluLookAt from the stored viewer, onto the current matrix.
    void LookAt() const;
};
