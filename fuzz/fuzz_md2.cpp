// MD2 meshes: any bytes must decode or be refused, never read outside the
// file, and an accepted mesh must be safe to draw (every index in range).
#include "pieces/md2format.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

void checkModel(const Md2Result &result, const SkinInfo &skin)
{
    if (!result.ok) {
        check(!result.error.isEmpty());
        return;
    }
    const Md2Model &model = result.model;
    check(model.vertexCount >= 0 && model.frameCount >= 0 && model.triangleCount >= 0);
    check(model.frames.size() == size_t(model.vertexCount) * size_t(model.frameCount));
    check(model.triangles.size() == size_t(model.triangleCount));
    check(model.texCoords.size() == size_t(model.texCoordCount));
    if (!skin.loaded)
        check(model.texCoordCount == 0);
    check(model.currentFrame == 0 && model.firstFrame == 0 && model.lastFrame == 0);
    for (const MeshTriangle &triangle : model.triangles)
        for (quint16 index : triangle.vertexIndex)
            check(index < model.vertexCount);
    // Normals come from the table, so they are unit length whatever the file says.
    for (const MeshVertex &vertex : model.frames) {
        const float length = vertex.nx * vertex.nx + vertex.ny * vertex.ny + vertex.nz * vertex.nz;
        check(std::fabs(length - 1.0f) < 1e-3f);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    // With a skin the texture coordinates are read too; without one they are not.
    const SkinInfo withSkin{true, 256, 128};
    checkModel(decodeMd2(bytes, withSkin), withSkin);
    const SkinInfo withoutSkin;
    checkModel(decodeMd2(bytes, withoutSkin), withoutSkin);
    return 0;
}
