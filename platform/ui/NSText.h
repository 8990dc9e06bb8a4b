// How a line of text sits in its box; labels, buttons and bars share it.
#pragma once

enum class NSTextAlignment : int {
    Left = 0,
    Center = 1,
    Right = 2,
};
constexpr NSTextAlignment NSTextAlignmentLeft = NSTextAlignment::Left;
constexpr NSTextAlignment NSTextAlignmentCenter = NSTextAlignment::Center;
constexpr NSTextAlignment NSTextAlignmentRight = NSTextAlignment::Right;
using UITextAlignment = NSTextAlignment;
constexpr UITextAlignment UITextAlignmentLeft = NSTextAlignmentLeft;
constexpr UITextAlignment UITextAlignmentCenter = NSTextAlignmentCenter;
constexpr UITextAlignment UITextAlignmentRight = NSTextAlignmentRight;
