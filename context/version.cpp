// The implementation strings of the current OpenGL context.
#include "context/context.h"
#include "module/rules.h"

// Vendor, renderer, version and extensions; empty texts without a context.
void OglContext::GetVersion(Variable& target) {
    target.Init(VT_VECTOR, 4);
    const GLenum names[4] = {GL_VENDOR, GL_RENDERER, GL_VERSION, GL_EXTENSIONS};
    for (int i = 0; i < 4; i++) {
        const GLubyte* text = glGetString(names[i]);
        rules::ElementOf(target, i) = text ? reinterpret_cast<const char*>(text) : "";
    }
}
