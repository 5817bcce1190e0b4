// PCX skins: any bytes must decode or be refused, never read or write
// outside the buffers, and a decoded picture must be exactly what it says.
#include "pieces/pcxformat.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const PcxResult result =
        decodePcx(QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)));
    if (!result.ok) {
        if (result.error.isEmpty())
            std::abort(); // a refusal always says why
        return 0;
    }
    const PcxImage &image = result.image;
    if (image.width <= 0 || image.height <= 0 || image.width > pcx::maxSide
        || image.height > pcx::maxSide)
        std::abort();
    if (image.rgb.size() != qsizetype(image.width) * image.height * 3)
        std::abort();
    // Touch every byte so the sanitizer sees any uninitialised or freed pixel.
    unsigned sum = 0;
    for (char byte : image.rgb)
        sum += static_cast<unsigned char>(byte);
    volatile unsigned sink = sum;
    (void)sink;
    return 0;
}
