// The vocabulary of pointer and key input that the image view and the mask
// editor share: points and rectangles in pixels, the shift state, mouse
// buttons, cursors, key codes and the event handler types. Portable; the
// Windows controls map the platform's messages onto it.
#pragma once

#include <cstdint>
#include <functional>

namespace carvelo {

struct TPoint {
  int32_t X = 0;
  int32_t Y = 0;
  bool operator==(const TPoint&) const = default;
};

// Left and top included, right and bottom excluded.
struct TRect {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;
  int32_t Bottom = 0;
  int32_t Width() const { return Right - Left; }
  int32_t Height() const { return Bottom - Top; }
  bool Contains(TPoint P) const { return P.X >= Left && P.X < Right && P.Y >= Top && P.Y < Bottom; }
  bool operator==(const TRect&) const = default;
};

// Modifier keys and mouse buttons held during an input event.
using TShiftState = uint8_t;
enum : TShiftState { ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32 };
inline constexpr TShiftState KeyModifiers = ssShift | ssAlt | ssCtrl;

enum class TMouseButton { mbLeft, mbRight, mbMiddle };

// Screen cursors by the numbers the forms use.
enum TCursor : int16_t {
  crDefault = 0,
  crArrow = -2,
  crCross = -3,
  crIBeam = -4,
  crSizeNS = -7,
  crHandPoint = -21,
  crSizeAll = -22,
};

// Key codes of the keys the view handles (the platform's virtual keys).
namespace vk {
inline constexpr uint16_t Prior = 0x21, Next = 0x22, End = 0x23, Home = 0x24;
inline constexpr uint16_t Left = 0x25, Up = 0x26, Right = 0x27, Down = 0x28;
}  // namespace vk

using TNotifyEvent = std::function<void()>;
using TMouseEvent = std::function<void(TMouseButton, TShiftState, int32_t X, int32_t Y)>;
using TMouseMoveEvent = std::function<void(TShiftState, int32_t X, int32_t Y)>;

}  // namespace carvelo
