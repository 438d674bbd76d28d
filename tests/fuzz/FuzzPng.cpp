// PNG bytes from outside: decoding either fails cleanly or gives an image within the size cap,
// which then draws stretched, tiled and centred without reading outside its pixels.
#include "KXFramework/Platform/Graphics/Painter.h"
#include "KXFramework/Platform/Graphics/Png.h"
#include "KXFramework/Platform/Graphics/Surface.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace KX::Platform;
    const auto image = DecodePng(data, size);
    if (!image)
        return 0;
    if (image->width < 1 || image->height < 1 || image->width > kMaxImageSide || image->height > kMaxImageSide ||
        image->pixels.size() != size_t(image->stride) * size_t(image->height))
        std::abort();
    // Premultiplied: no colour channel above alpha.
    for (size_t i = 0; i < image->pixels.size(); i += 4)
        if (image->pixels[i] > image->pixels[i + 3] || image->pixels[i + 1] > image->pixels[i + 3] ||
            image->pixels[i + 2] > image->pixels[i + 3])
            std::abort();
    const auto source = Surface::Wrap(image);
    const auto target = Surface::Create(23, 17);
    if (!source || !target)
        std::abort();
    Painter painter(*target);
    const RectD whole{0.0, 0.0, double(image->width), double(image->height)};
    painter.DrawImage(*source, whole, {0.0, 0.0, 23.0, 17.0}, ImageMode::Stretch);
    painter.DrawImage(*source, whole, {1.0, 2.0, 20.0, 11.0}, ImageMode::Repeat);
    painter.DrawImage(*source, whole, {-3.0, -3.0, whole.width, whole.height}, ImageMode::Copy);
    return 0;
}
