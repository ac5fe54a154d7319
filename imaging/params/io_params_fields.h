// The machinery that walks the field list of TIOParamsVals (io_params_fields.inc): what each
// field's list entry says, and how a field is given its default or copied, whatever its type.
#pragma once

#include <string_view>
#include <type_traits>

#include "imaging/params/io_params.h"

namespace calmora {

// Who gives a field its default: only SetDefaults, ResetInfo too, or ResetEXIF (and so both).
enum class TParamsReset : uint8_t { kSetting, kLoad, kExif };
// How Assign copies a field: as it is, by a rule of its own, or never.
enum class TParamsCopy : uint8_t { kPlain, kRule, kNever };

// One entry of the list; its reset and copy rule are types, so that a visitor tests them with
// "if constexpr" and never compiles a copy of a field that cannot be copied.
template <TParamsReset ResetBy, TParamsCopy CopyBy>
struct TParamsField {
  static constexpr TParamsReset kReset = ResetBy;
  static constexpr TParamsCopy kCopy = CopyBy;
  std::string_view Name;
};

// The default of a field that no reset touches, and of one made empty, zero or null.
struct TParamsNoDefault {};
struct TParamsCleared {};

// TGA_Date's default: today's local date at 00:00, in days since 30 December 1899.
double TodayAsDateTime();

namespace io_params_defaults {

inline constexpr TParamsNoDefault kNoDefault;
inline constexpr TParamsCleared kCleared;
inline constexpr TPVRGB kBlack{0, 0, 0};
inline constexpr TPVRGB kWhite{255, 255, 255};
inline constexpr TICOSizes kDefaultICOSizes{{{64, 64}}};
inline constexpr TICOBitCounts kDefaultICOBitCounts{8};

}  // namespace io_params_defaults

// Calls Visit(entry, makeDefault, Records.Field...) for every field in record order, where
// makeDefault() gives the field's default (a TParamsNoDefault or TParamsCleared for those).
template <typename Visitor, typename... Records>
void VisitParamsFields(Visitor&& Visit, Records&... records) {
  using namespace io_params_defaults;
#define CALMORA_PARAM(Type, Name, Default, Reset, Copy)                                    \
  Visit(                                                                                   \
      TParamsField<TParamsReset::Reset, TParamsCopy::Copy>{#Name}, [] { return Default; }, \
      records.Name...);
#include "imaging/params/io_params_fields.inc"
#undef CALMORA_PARAM
}

// ---- Giving a field its default ----

inline void ClearField(std::string& field) { field.clear(); }
inline void ClearField(std::u16string& field) { field.clear(); }
inline void ClearField(TStringList& field) { field.clear(); }
template <typename T, size_t N>
void ClearField(std::array<T, N>& field) {
  field.fill(T{});
}
template <typename T>
void ClearField(std::unique_ptr<T>& field) {
  field.reset();
}
inline void ClearField(TPVMarkerList& field) { field.Clear(); }
inline void ClearField(TPVIPTCInfoList& field) { field.Clear(); }
inline void ClearField(TPVDICOMTags& field) { field.Clear(); }
// The directory's bytes and its tag array: no tags left.
inline void ClearField(TPVTagsHandler& field) {
  field.Data.Clear();
  field.ReadTags();
}

template <typename T, typename MakeDefault>
void SetFieldToDefault(T& field, MakeDefault makeDefault) {
  using Default = decltype(makeDefault());
  if constexpr (std::is_same_v<Default, TParamsCleared>)
    ClearField(field);
  else if constexpr (!std::is_same_v<Default, TParamsNoDefault>)
    field = static_cast<T>(makeDefault());
}

// ---- Copying a field as it is ----

// Containers copy deeply through their own Assign; values are assigned.
template <typename T>
void CopyFieldPlain(T& target, const T& source) {
  if constexpr (requires { target.Assign(&source); })
    target.Assign(&source);
  else
    target = source;
}

// The maker note's bytes, then its tag array read from them anew (none for empty bytes).
void CopyMakerNote(TPVTagsHandler& target, const TPVTagsHandler& source);

}  // namespace calmora
