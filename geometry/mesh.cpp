// TrianglesEx: a mesh in groups that share a material, drawn from triangle
// indices counted over all groups.
#include "color/material.h"
#include "geometry/canvas.h"

void OglCanvas::TrianglesEx(const MeshGroup* groups, int groupCount, const long* firstVertices,
                            int indexCount) const {
    if (!bound_) return;
    switches_.ApplyPolygonMode();
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
