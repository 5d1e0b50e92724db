// The small float records of the context: a homogeneous point, a rectangle
// in window coordinates (y grows downwards) and a box (rectangle plus near
// and far).
#pragma once

#include <cmath>

struct OglPoint4 {
    float x = 0.0f, y = 0.0f, z = 0.0f, w = 1.0f;

    OglPoint4() = default;
    OglPoint4(float x_, float y_, float z_, float w_) : x(x_), y(y_), z(z_), w(w_) {}
    void Set(float x_, float y_, float z_, float w_) { *this = OglPoint4(x_, y_, z_, w_); }

    // w becomes 1; (x, y, z) becomes a unit vector, or (1, 0, 0) when it has
    // no length.
    void Normalize() {
        w = 1.0f;
        float length = static_cast<float>(std::sqrt(static_cast<double>(x) * x +
                                                    static_cast<double>(y) * y +
                                                    static_cast<double>(z) * z));
        if (length == 0.0f) {
            x = 1.0f;
            y = z = 0.0f;
        } else {
            x /= length;
            y /= length;
            z /= length;
        }
    }
};

// Stored left, right, top, bottom; set in the order left, top, right, bottom.
struct OglRect {
    float left = 0.0f, right = 0.0f, top = 0.0f, bottom = 0.0f;

    OglRect() = default;
    OglRect(float l, float t, float r, float b) : left(l), right(r), top(t), bottom(b) {}
    void Set(float l, float t, float r, float b) { *this = OglRect(l, t, r, b); }
    float Width() const { return right - left; }
    float Height() const { return bottom - top; }
};

struct OglBox : OglRect {
    float near = 0.0f, far = 0.0f;

    OglBox() = default;
    // Arguments in stored order: left, right, top, bottom, near, far.
    OglBox(float l, float r, float t, float b, float n, float f) : OglRect(l, t, r, b), near(n), far(f) {}
    float Depth() const { return near - far; }
};
