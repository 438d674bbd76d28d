#pragma once
// Pointer shapes. One cursor is current for all windows of the process.
#include <cstdint>
#include <memory>
#include <optional>

namespace KX::Platform {

enum class SystemCursor {
    Arrow,
    IBeam,
    Wait,
    Cross,
    UpArrow,
    SizeAll,
    SizeNWSE,
    SizeNESW,
    SizeWE,
    SizeNS,
    No,
    Hand,
    AppStarting,
    Help
};

class Cursor {
public:
    // One shared cursor per kind. Shapes the desktop lacks (help, up-arrow) are the arrow.
    static Cursor System(SystemCursor kind);
    // From 32-bit premultiplied BGRA rows; nothing for a side outside 1..256, a stride below 4 × width, no
    // pixels, or a hot spot outside the image.
    static std::optional<Cursor> FromImage(int width, int height, int stride, const uint8_t* pixels, int hotX,
                                           int hotY);

    // The same cursor, not merely the same shape.
    bool operator==(const Cursor& other) const { return m_shape == other.m_shape; }

    struct Shape;

private:
    explicit Cursor(std::shared_ptr<Shape> shape) : m_shape(std::move(shape)) {}
    friend Cursor SetCursor(const Cursor& cursor);

    std::shared_ptr<Shape> m_shape;
};

// Makes cursor current and returns the one that was; nothing changes when they are equal. The arrow is
// current before the first call.
Cursor SetCursor(const Cursor& cursor);

} // namespace KX::Platform
