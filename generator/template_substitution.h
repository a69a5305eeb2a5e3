#pragma once

#include <span>
#include <string>
#include <string_view>

namespace ferulo::generator {

// The markers, exactly as templates hold them.
inline constexpr std::string_view kNameMarker = "<!--@NAME@-->";
inline constexpr std::string_view kFileMarker = "<!--@FILE@-->";
inline constexpr std::string_view kHeadMarker = "<!--@HEAD@-->";
inline constexpr std::string_view kBodyMarker = "<!--@BODY@-->";
inline constexpr std::string_view kSearchMarker = "<!--@SEARCH@-->";
inline constexpr std::string_view kEditMarker = "<!--@EDIT@-->";
inline constexpr std::string_view kFormMarker = "<!--@FORM@-->";
inline constexpr std::string_view kFilterMarker = "<!--@FILTER@-->";
inline constexpr std::string_view kFilterFormMarker = "<!--@FILTERFORM@-->";
// The record key and the lookups, in the list and edit pages (see
// BuildRecordFragments).
inline constexpr std::string_view kKeysMarker = "<!--@KEYS@-->";
inline constexpr std::string_view kLookupsMarker = "<!--@LOOKUPS@-->";
// The table's name as a script literal ("Ship""s" for Ship"s), in all three
// pages: any name Access allows can stand in the pages' script, where NAME,
// inserted as it is, would end the literal or, with "%>", the script block.
inline constexpr std::string_view kTableMarker = "<!--@TABLE@-->";
// The page base name (what FILE gives) as a script literal, in all three
// pages and in the page helpers.
inline constexpr std::string_view kPageBaseMarker = "<!--@PAGEBASE@-->";
// The columns the database fills itself, as a VBScript array (see
// BuildRecordFragments), in all three pages and in the page helpers.
inline constexpr std::string_view kReadOnlyMarker = "<!--@READONLY@-->";

struct MarkerValue {
  std::string_view marker;
  std::string_view value;
};

// The substitutions one after another, each working on the result of the one
// before: every occurrence of a marker is replaced by its value, left to
// right, and the inserted value is not scanned again for that marker, but a
// value inserted early has later markers in it replaced. Usually one pass over
// the text; linear in its size.
[[nodiscard]] std::string ReplaceMarkers(std::string_view text,
                                         std::span<const MarkerValue> markers);

}  // namespace ferulo::generator
