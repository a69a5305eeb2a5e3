#pragma once

#include <string>
#include <string_view>

// A column's type as an Access file stores it (the type byte of the column's
// entry in the table definition), and what Access calls it.
namespace ferulo::database {

namespace stored_type {
inline constexpr int kYesNo = 0x01;
inline constexpr int kByte = 0x02;
inline constexpr int kInteger = 0x03;
inline constexpr int kLongInteger = 0x04;
inline constexpr int kCurrency = 0x05;
inline constexpr int kSingle = 0x06;
inline constexpr int kDouble = 0x07;
inline constexpr int kDateTime = 0x08;
inline constexpr int kBinary = 0x09;
inline constexpr int kText = 0x0A;
inline constexpr int kOleObject = 0x0B;
inline constexpr int kMemo = 0x0C;
inline constexpr int kReplicationId = 0x0F;
inline constexpr int kDecimal = 0x10;
// An attachment, a multi-valued field or an append-only memo's version
// history (ACE); MSysComplexColumns tells which.
inline constexpr int kComplex = 0x12;
}  // namespace stored_type

inline constexpr std::string_view kTextTypeName = "Text";
// The complex columns, whose values the database keeps in tables of its own.
inline constexpr std::string_view kAttachmentTypeName = "Attachment";
inline constexpr std::string_view kMultiValuedTypeName = "Multi-valued";
inline constexpr std::string_view kVersionHistoryTypeName = "Version History";

// "Long Integer", "Text", "Memo", "Date/Time", ...; "Unknown (N)" for a type
// byte Access does not define.
[[nodiscard]] std::string AccessTypeName(int storedType);

// The type name of a complex column, from the name of the system table that
// is the template of its values: MSysComplexType_Attachment for an
// attachment, MSysComplexTypeVH_<id> for the version history Access keeps of
// an append-only memo, MSysComplexType_<value type> (Text, Long, GUID, ...)
// for a multi-valued field. Any other name gives "Attachment", the name every
// complex column had before the kinds were told apart.
[[nodiscard]] std::string_view ComplexTypeName(std::string_view templateTable);

// The size a description gives: characters for Text, whose stored size is in
// bytes (two to a character from Access 2000 on), the stored size otherwise.
[[nodiscard]] int FieldSize(int storedType, int storedSize, bool bytePerCharacter);

// Whether the column is an AutoNumber: a Long Integer or Replication ID with
// the matching flag. (Access 97 files set the GUID flag on other columns too.)
[[nodiscard]] bool IsAutoNumber(int storedType, bool longAutoFlag, bool guidAutoFlag);

}  // namespace ferulo::database
