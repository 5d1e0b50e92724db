// TrianglesEx: a mesh in groups that share a material, drawn from triangle
// indices counted over all groups. Every size, index and the material count
// are checked before anything is drawn.
#include <algorithm>
#include <new>

#include "color/material.h"
#include "context/context.h"
#include "module/rules.h"

using namespace rules;

void OglContext::TrianglesEx(const MeshGroup* groups, int groupCount, const long* firstVertices,
                             int indexCount) {
    if (!IsBound()) return;
    switches.ApplyPolygonMode();
    int current = -1;
    for (int i = 0; i < indexCount; i++) {
        long k = firstVertices[i];
        int g = 0;
        while (g < groupCount && k >= groups[g].count) k -= groups[g++].count;
        if (g == groupCount) continue;
        if (g != current) {
            if (current >= 0) glEnd();
            if (groups[g].material) groups[g].material->Apply();
            glBegin(GL_TRIANGLES);
            current = g;
        }
        for (long v = k; v < k + 3; v++) {
            const float* n = groups[g].normals + 3 * v;
            const float* p = groups[g].points + 3 * v;
            glNormal3f(n[0], n[1], n[2]);
            glVertex3f(p[0], p[1], p[2]);
        }
    }
    if (current >= 0) glEnd();
}
