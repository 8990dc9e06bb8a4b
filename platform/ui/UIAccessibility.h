// What a view tells assistive technology: the traits, with the platform's values.
#pragma once

#include <cstdint>

using UIAccessibilityTraits = uint64_t;
constexpr UIAccessibilityTraits UIAccessibilityTraitNone = 0;
constexpr UIAccessibilityTraits UIAccessibilityTraitButton = 1 << 0;
constexpr UIAccessibilityTraits UIAccessibilityTraitLink = 1 << 1;
constexpr UIAccessibilityTraits UIAccessibilityTraitImage = 1 << 2;
constexpr UIAccessibilityTraits UIAccessibilityTraitSelected = 1 << 3;
constexpr UIAccessibilityTraits UIAccessibilityTraitStaticText = 1 << 6;
constexpr UIAccessibilityTraits UIAccessibilityTraitNotEnabled = 1 << 8;
constexpr UIAccessibilityTraits UIAccessibilityTraitUpdatesFrequently = 1 << 9;
