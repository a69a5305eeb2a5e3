#include "database/column_types.h"

#include "common/ascii_case.h"

namespace ferulo::database {

std::string AccessTypeName(int storedType) {
  switch (storedType) {
    case stored_type::kYesNo:
      return "Yes/No";
    case stored_type::kByte:
      return "Byte";
    case stored_type::kInteger:
      return "Integer";
    case stored_type::kLongInteger:
      return "Long Integer";
    case stored_type::kCurrency:
      return "Currency";
    case stored_type::kSingle:
      return "Single";
    case stored_type::kDouble:
      return "Double";
    case stored_type::kDateTime:
      return "Date/Time";
    case stored_type::kBinary:
      return "Binary";
    case stored_type::kText:
      return std::string(kTextTypeName);
    case stored_type::kOleObject:
      return "OLE Object";
    case stored_type::kMemo:
      return "Memo";
    case stored_type::kReplicationId:
      return "Replication ID";
    case stored_type::kDecimal:
      return "Decimal";
    case stored_type::kComplex:
      return std::string(kAttachmentTypeName);
    default:
      return "Unknown (" + std::to_string(storedType) + ")";
  }
}

std::string_view ComplexTypeName(std::string_view templateTable) {
  if (EqualsIgnoringAsciiCase(templateTable, "MSysComplexType_Attachment")) {
    return kAttachmentTypeName;
  }
  if (StartsWithIgnoringAsciiCase(templateTable, "MSysComplexTypeVH_")) {
    return kVersionHistoryTypeName;
  }
  if (StartsWithIgnoringAsciiCase(templateTable, "MSysComplexType_")) {
    return kMultiValuedTypeName;
  }
  return kAttachmentTypeName;
}

int FieldSize(int storedType, int storedSize, bool bytePerCharacter) {
  if (storedType == stored_type::kText && !bytePerCharacter) {
    return storedSize / 2;
  }
  return storedSize;
}

bool IsAutoNumber(int storedType, bool longAutoFlag, bool guidAutoFlag) {
  return (storedType == stored_type::kLongInteger && longAutoFlag) ||
         (storedType == stored_type::kReplicationId && guidAutoFlag);
}

}  // namespace ferulo::database
