#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "generator/template_substitution.h"

namespace ferulo::generator {

// Whether one left-to-right pass over the text gives exactly what one
// substitution after another gives: the markers share a prefix, no two
// occurrences can overlap, and no value can complete a later marker, alone or
// with the text around it.
[[nodiscard]] bool SinglePassIsExact(std::span<const MarkerValue> markers);

// All markers replaced in one pass; only valid where SinglePassIsExact.
[[nodiscard]] std::string ReplaceInOnePass(std::string_view text,
                                           std::span<const MarkerValue> markers);

}  // namespace ferulo::generator
