#include "database/mdb_catalog.h"

// Debian's mdbtools.h includes glib.h inside extern "C", which C++ rejects;
// glib.h first makes that inner include a no-op.
// clang-format off
#include <glib.h>
#include <mdbtools.h>
// clang-format on

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "common/ascii_case.h"
#include "common/errno_error.h"
#include "common/error_codes.h"
#include "common/little_endian.h"
#include "database/column_types.h"
#include "database/database_errors.h"
#include "database/object_types.h"
#include "database/property_data.h"
#include "database/property_data_check.h"
#include "database/reader_protocol.h"
#include "database/record_key.h"
#include "database/relationships.h"

namespace ferulo::database {

namespace {

struct MdbHandleCloser {
  void operator()(MdbHandle* mdb) const { mdb_close(mdb); }
};
using MdbHandlePtr = std::unique_ptr<MdbHandle, MdbHandleCloser>;

struct TableDefFreer {
  void operator()(MdbTableDef* table) const { mdb_free_tabledef(table); }
};
using TableDefPtr = std::unique_ptr<MdbTableDef, TableDefFreer>;

// MSysObjects' definition always sits on page 2; an object's Id holds the page
// of its definition in its low 24 bits.
constexpr unsigned long kSystemCatalogPage = 2;
constexpr long kDefinitionPageMask = 0x00FFFFFF;

Result<MdbHandlePtr> OpenDatabase(const std::string& path) {
  errno = 0;
  MdbHandlePtr mdb(mdb_open(path.c_str(), MDB_NOFLAGS));
  if (mdb) {
    return mdb;
  }
  // libmdb leaves errno as its fopen set it; for a file it opened and did not
  // recognize, errno says nothing.
  const int cause = errno;
  if (cause == ENOENT || cause == EISDIR || cause == EACCES || cause == EPERM) {
    return ErrnoError(cause, "Cannot open database", path, FileRole::Database);
  }
  return Error{error_code::kUnrecognizedFormat, "Unrecognized database format '" + path + "'."};
}

// Reads a table definition and its columns. The catalog entry must outlive the
// table, which points back to it. Without parsed properties in the entry,
// neither mdb_read_table nor mdb_read_columns touches property data.
Result<TableDefPtr> ReadTableDefinition(MdbCatalogEntry& entry, const std::string& path) {
  TableDefPtr table(mdb_read_table(&entry));
  if (!table) {
    return CannotOpenDatabase(path, "the definition of '" + std::string(entry.object_name) +
                                        "' on page " + std::to_string(entry.table_pg) +
                                        " cannot be read");
  }
  if (!mdb_read_columns(table.get())) {
    return CannotOpenDatabase(
        path, "the columns of '" + std::string(entry.object_name) + "' cannot be read");
  }
  return table;
}

// Fetching rows walks the usage map; libmdb 1.0.0 follows a NULL map into a
// crash, so a table without one is refused before its first row.
bool HasUsageMap(const MdbTableDef& table) {
  return table.map_sz >= 1 && table.usage_map != nullptr;
}

// Fetches every row of a system table, handing each to readRow (which gives
// a Status). libmdb skips rows it cannot decode without a word; the
// definition's row count tells. (A file not closed cleanly may count 0:
// nothing to compare.)
template <typename ReadRow>
Status ReadEveryRow(MdbTableDef& table, std::string_view what, const std::string& path,
                    ReadRow&& readRow) {
  unsigned long rowsRead = 0;
  mdb_rewind_table(&table);
  while (mdb_fetch_row(&table) != 0) {
    ++rowsRead;
    if (Status read = readRow(); !read) {
      return read;
    }
  }
  if (rowsRead < table.num_rows) {
    return CannotOpenDatabase(path, "only " + std::to_string(rowsRead) + " of the " +
                                        std::to_string(table.num_rows) + " rows of its " +
                                        std::string(what) + " can be read");
  }
  return Done{};
}

// The 1-based number of the column called name, or 0.
int ColumnNumber(const MdbTableDef& table, const char* name) {
  for (unsigned int i = 0; i < table.num_cols; ++i) {
    const auto* column = static_cast<const MdbColumn*>(g_ptr_array_index(table.columns, i));
    if (std::strcmp(column->name, name) == 0) {
      return static_cast<int>(i + 1);
    }
  }
  return 0;
}

// A column of the table bound to a buffer that libmdb fills with each row's
// value as text.
class BoundColumn {
 public:
  BoundColumn(MdbTableDef& table, const char* name) : buffer_(table.entry->mdb->bind_size + 1) {
    const int number = ColumnNumber(table, name);
    bound_ = number > 0 && mdb_bind_column(&table, number, buffer_.data(), &length_) > 0;
  }
  BoundColumn(const BoundColumn&) = delete;
  BoundColumn& operator=(const BoundColumn&) = delete;

  [[nodiscard]] bool bound() const { return bound_; }
  [[nodiscard]] std::string text() const {
    return std::string(buffer_.data(), strnlen(buffer_.data(), buffer_.size()));
  }
  [[nodiscard]] std::optional<long long> number() const {
    const std::string value = text();
    long long parsed = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), parsed);
    if (error != std::errc() || end != value.data() + value.size() || value.empty()) {
      return std::nullopt;
    }
    return parsed;
  }

 private:
  std::vector<char> buffer_;
  int length_ = 0;
  bool bound_ = false;
};

// One row of MSysObjects, as much of it as FERULO reads.
struct SystemObject {
  long long id = 0;
  std::string name;
  int type = 0;
  std::uint32_t flags = 0;
  std::string properties;  // LvProp of a table stored in the file, its layout checked
};

// Reads long values (memo and OLE fields) of the current row by hand, so that
// a damaged page chain ends in an error instead of libmdb following it round
// and round.
class LongValueReader {
 public:
  explicit LongValueReader(MdbHandle& mdb) : mdb_(mdb) {}

  // The value of column in the row just fetched; "" for NULL. On damage,
  // returns nullopt and says why in damage().
  std::optional<std::string> Read(const MdbColumn& column) {
    if (column.cur_value_len == 0) {
      return std::string();
    }
    // Both come from the damaged row itself: negative values, or a sum that
    // wraps round, must not reach the page buffer.
    if (column.cur_value_start < 0 || column.cur_value_len < 0 ||
        !FitsInPage(static_cast<std::size_t>(column.cur_value_start),
                    static_cast<std::size_t>(column.cur_value_len)) ||
        static_cast<std::size_t>(column.cur_value_len) < MDB_MEMO_OVERHEAD) {
      return Damage("a long value's header lies outside its page");
    }
    const auto start = static_cast<std::size_t>(column.cur_value_start);
    const auto length = static_cast<std::size_t>(column.cur_value_len);
    unsigned char header[MDB_MEMO_OVERHEAD];
    std::memcpy(header, mdb_.pg_buf + start, sizeof header);
    const std::uint32_t kind = Little32(header) & kKindMask;
    const std::uint32_t firstRow = Little32(header + 4);
    if (kind == kInline) {
      return std::string(reinterpret_cast<const char*>(mdb_.pg_buf) + start + MDB_MEMO_OVERHEAD,
                         length - MDB_MEMO_OVERHEAD);
    }
    if (kind == kSinglePage) {
      return ReadRow(firstRow);
    }
    if (kind == kPageChain) {
      return ReadChain(firstRow);
    }
    return Damage("a long value is of an unknown kind");
  }

  [[nodiscard]] const std::string& damage() const { return damage_; }

 private:
  static constexpr std::uint32_t kKindMask = 0xFF000000U;
  static constexpr std::uint32_t kInline = 0x80000000U;
  static constexpr std::uint32_t kSinglePage = 0x40000000U;
  static constexpr std::uint32_t kPageChain = 0;
  // Property data runs to a few KB; this is far beyond any real value.
  static constexpr std::size_t kLargestValue = std::size_t{16} << 20;
  // A row pointer's offset within its page; the bits above it are flags.
  static constexpr int kRowOffsetMask = 0x1FFF;

  [[nodiscard]] std::size_t PageSize() const { return static_cast<std::size_t>(mdb_.fmt->pg_size); }

  // Whether [start, start + length) lies inside one page, without overflow.
  [[nodiscard]] bool FitsInPage(std::size_t start, std::size_t length) const {
    return start <= PageSize() && length <= PageSize() - start;
  }

  std::optional<std::string> Damage(std::string reason) {
    damage_ = std::move(reason);
    return std::nullopt;
  }

  // One row of a long-value page: the page number in the upper 24 bits of
  // pageRow, the row in the lowest 8. What mdb_find_pg_row does, but the
  // pages read last are kept: the property data of the objects lies on a few
  // pages, each then read from disk once rather than once a row.
  std::optional<std::string> ReadRow(std::uint32_t pageRow) {
    const unsigned char* page = Page(pageRow >> 8U);
    if (page == nullptr) {
      return UnreadableRow(pageRow);
    }
    int offset = 0;
    std::size_t length = 0;
    if (!FindRow(page, static_cast<int>(pageRow & 0xFFU), offset, length) || offset < 0 ||
        !FitsInPage(static_cast<std::size_t>(offset), length)) {
      return UnreadableRow(pageRow);
    }
    return std::string(reinterpret_cast<const char*>(page) + offset, length);
  }

  std::optional<std::string> UnreadableRow(std::uint32_t pageRow) {
    return Damage("a long value points to row " + std::to_string(pageRow & 0xFFU) + " of page " +
                  std::to_string(pageRow >> 8U) + ", which cannot be read");
  }

  // The page, kept or read through libmdb; nullptr where it cannot be read.
  const unsigned char* Page(std::uint32_t number) {
    const auto kept = std::find_if(kept_.begin(), kept_.end(), [number](const KeptPage& page) {
      return page.number == number;
    });
    if (kept != kept_.end()) {
      std::rotate(kept_.begin(), kept, kept + 1);
      return kept_.front().bytes.data();
    }
    std::vector<unsigned char> bytes(PageSize());
    if (!ReadWholePage(number, bytes)) {
      if (mdb_read_alt_pg(&mdb_, number) != static_cast<ssize_t>(PageSize())) {
        return nullptr;
      }
      bytes.assign(mdb_.alt_pg_buf, mdb_.alt_pg_buf + PageSize());
    }
    if (kept_.size() == kKeptPages) {
      kept_.pop_back();
    }
    kept_.insert(kept_.begin(), KeptPage{number, std::move(bytes)});
    return kept_.front().bytes.data();
  }

  // One pread where libmdb makes four calls for a page (fstat, two seeks, a
  // read). A page other than the first (which libmdb decodes) comes back as
  // libmdb would read it; where the page cannot be read whole, the caller
  // asks libmdb, which then fails as it would have, saying why on stderr.
  bool ReadWholePage(std::uint32_t number, std::vector<unsigned char>& bytes) const {
    const off_t offset = static_cast<off_t>(number) * static_cast<off_t>(PageSize());
    return number != 0 && pread(fileno(mdb_.f->stream), bytes.data(), PageSize(), offset) ==
                              static_cast<ssize_t>(PageSize());
  }

  // libmdb finds a row in the page held in pg_buf, which holds the catalog
  // row being read: the kept page is lent to it for the call. As
  // mdb_find_pg_row does, the row pointer's flag bits are masked off the
  // offset; false where libmdb found the pointer unusable.
  bool FindRow(const unsigned char* page, int row, int& offset, std::size_t& length) {
    catalogPage_.assign(mdb_.pg_buf, mdb_.pg_buf + PageSize());
    std::memcpy(mdb_.pg_buf, page, PageSize());
    const int found = mdb_find_row(&mdb_, row, &offset, &length);
    std::memcpy(mdb_.pg_buf, catalogPage_.data(), PageSize());
    offset &= kRowOffsetMask;
    return found == 0;
  }

  // Each row of a chain starts with the page and row of the next; 0 ends it.
  std::optional<std::string> ReadChain(std::uint32_t pageRow) {
    std::string value;
    std::set<std::uint32_t> visited;
    while (pageRow != 0) {
      if (!visited.insert(pageRow).second) {
        return Damage("a long value's page chain runs in a circle");
      }
      auto row = ReadRow(pageRow);
      if (!row) {
        return row;
      }
      if (row->size() < 4) {
        return Damage("a long value's page chain holds a row too short to link on");
      }
      value.append(*row, 4);
      if (value.size() > kLargestValue) {
        return Damage("a long value is larger than any property data could be");
      }
      pageRow = Little32(row->data());
    }
    return value;
  }

  MdbHandle& mdb_;
  std::string damage_;
  struct KeptPage {
    std::uint32_t number;
    std::vector<unsigned char> bytes;
  };
  static constexpr std::size_t kKeptPages = 8;
  std::vector<KeptPage> kept_;  // most recently used first
  std::vector<unsigned char> catalogPage_;
};

const MdbColumn* FindColumn(const MdbTableDef& table, const char* name) {
  const int number = ColumnNumber(table, name);
  return number > 0 ? static_cast<const MdbColumn*>(g_ptr_array_index(table.columns, number - 1))
                    : nullptr;
}

class SystemCatalog {
 public:
  explicit SystemCatalog(MdbHandle& mdb) : mdb_(mdb) {
    entry_.mdb = &mdb;
    entry_.object_type = MDB_TABLE;
    entry_.table_pg = kSystemCatalogPage;
    std::snprintf(entry_.object_name, sizeof entry_.object_name, "%s", "MSysObjects");
  }
  SystemCatalog(const SystemCatalog&) = delete;
  SystemCatalog& operator=(const SystemCatalog&) = delete;

  Result<std::vector<SystemObject>> ReadObjects(const std::string& path) {
    auto table = ReadTableDefinition(entry_, path);
    if (!table) {
      return table.error();
    }
    MdbTableDef& definition = *table.value();
    if (!HasUsageMap(definition)) {
      return CannotOpenDatabase(path, "its system catalog MSysObjects has no usage map");
    }
    BoundColumn id(definition, "Id");
    BoundColumn name(definition, "Name");
    BoundColumn type(definition, "Type");
    BoundColumn flags(definition, "Flags");
    if (!id.bound() || !name.bound() || !type.bound()) {
      return CannotOpenDatabase(path,
                                "its system catalog MSysObjects lacks the Id, Name or Type column");
    }
    const MdbColumn* properties = FindColumn(definition, "LvProp");
    LongValueReader longValues(mdb_);
    std::vector<SystemObject> objects;
    Status all = ReadEveryRow(definition, "system catalog MSysObjects", path, [&]() -> Status {
      std::string propertyData;
      if (properties != nullptr) {
        if (auto damage = FindPropertyDamage(longValues, *properties, propertyData);
            !damage.empty()) {
          return CannotOpenDatabase(
              path, "the properties of '" + name.text() + "' are damaged: " + damage);
        }
      }
      const auto idValue = id.number();
      const auto typeValue = type.number();
      if (!idValue || !typeValue) {
        return Done{};  // a row without an Id or Type names no object
      }
      const auto flagsValue = flags.bound() ? flags.number() : std::nullopt;
      const int objectType = static_cast<int>(*typeValue);
      objects.push_back(SystemObject{
          *idValue, name.text(), objectType, static_cast<std::uint32_t>(flagsValue.value_or(0)),
          objectType == kLocalTableObjectType ? std::move(propertyData) : std::string()});
      return Done{};
    });
    if (!all) {
      return all.error();
    }
    return objects;
  }

 private:
  // Reads the property data into data; "" where it is sound, else the damage.
  static std::string FindPropertyDamage(LongValueReader& longValues, const MdbColumn& column,
                                        std::string& data) {
    auto read = longValues.Read(column);
    if (!read) {
      return longValues.damage();
    }
    data = std::move(*read);
    return data.empty() ? std::string() : FindPropertyDataDamage(data);
  }

  MdbHandle& mdb_;
  MdbCatalogEntry entry_{};
};

// Access writes whole pages; a file that ends inside one has been cut short,
// even where the catalog happens to lie in the part that is left.
std::optional<Error> CheckWholePages(const MdbHandle& mdb, const std::string& path) {
  std::error_code failed;
  const auto size = std::filesystem::file_size(path, failed);
  const auto pageSize = static_cast<std::uintmax_t>(mdb.fmt->pg_size);
  if (failed || pageSize == 0 || size % pageSize == 0) {
    return std::nullopt;
  }
  return CannotOpenDatabase(
      path, "the file is " + std::to_string(size) + " bytes long, not a whole number of " +
                std::to_string(pageSize) + "-byte pages, so it has been cut short");
}

Result<std::vector<SystemObject>> ReadSystemObjects(MdbHandle& mdb, const std::string& path) {
  SystemCatalog catalog(mdb);
  auto objects = catalog.ReadObjects(path);
  if (objects) {
    if (auto cutShort = CheckWholePages(mdb, path)) {
      return *cutShort;
    }
  }
  return objects;
}

// A catalog entry for a table listed in MSysObjects, as libmdb's own catalog
// reader would make it, less the parsed properties.
MdbCatalogEntry TableEntry(MdbHandle& mdb, const SystemObject& object) {
  MdbCatalogEntry entry{};
  entry.mdb = &mdb;
  entry.object_type = MDB_TABLE;
  entry.table_pg = static_cast<unsigned long>(object.id & kDefinitionPageMask);
  entry.flags = static_cast<int>(object.flags);
  std::snprintf(entry.object_name, sizeof entry.object_name, "%s", object.name.c_str());
  return entry;
}

Result<std::vector<std::string>> ReadColumnsAt(MdbHandle& mdb, const SystemObject& object,
                                               const std::string& path) {
  MdbCatalogEntry entry = TableEntry(mdb, object);
  auto table = ReadTableDefinition(entry, path);
  if (!table) {
    return table.error();
  }
  const MdbTableDef& definition = *table.value();
  std::vector<std::string> names;
  names.reserve(definition.num_cols);
  for (unsigned int i = 0; i < definition.num_cols; ++i) {
    const auto* column = static_cast<const MdbColumn*>(g_ptr_array_index(definition.columns, i));
    names.emplace_back(column->name);
  }
  return names;
}

void OnGlibError(const gchar* /*domain*/, GLogLevelFlags /*level*/, const gchar* message,
                 gpointer /*unused*/) {
  if (message != nullptr && std::strstr(message, "failed to allocate") != nullptr) {
    const auto marker = reader_protocol::kOutOfMemoryMarker;
    [[maybe_unused]] const auto written = write(STDERR_FILENO, marker.data(), marker.size());
    _exit(reader_protocol::kExitOutOfMemory);
  }
  // Any other fatal glib error: report it as glib would; glib then aborts.
  g_log_default_handler("GLib", G_LOG_LEVEL_ERROR, message, nullptr);
}

// The open file and the rows of its MSysObjects.
struct OpenedCatalog {
  MdbHandlePtr mdb;
  std::vector<SystemObject> objects;
};

Result<OpenedCatalog> OpenCatalog(const std::string& databasePath) {
  auto mdb = OpenDatabase(databasePath);
  if (!mdb) {
    return mdb.error();
  }
  auto objects = ReadSystemObjects(*mdb.value(), databasePath);
  if (!objects) {
    return objects.error();
  }
  return OpenedCatalog{std::move(mdb).value(), std::move(objects).value()};
}

// Access allows 32 indexes to a table, those its relationships add included.
// libmdb allocates and reads an entry for every index a definition claims, so
// a claim beyond twice that is taken for the damage it is.
constexpr unsigned int kMostIndexes = 64;
constexpr unsigned char kPrimaryKeyIndexType = 1;
constexpr const char* kRelationshipTable = "MSysRelationships";

// A name from the file's own bytes, decoded the way libmdb decodes column
// names, so that the two compare equal.
std::string DecodeStoredName(MdbHandle& mdb, const std::string& stored) {
  // A stored unit (one byte, or two in UTF-16) never takes more than three
  // bytes of UTF-8.
  std::vector<char> decoded(3 * stored.size() + 4);
  const int length =
      mdb_unicode2ascii(&mdb, stored.data(), stored.size(), decoded.data(), decoded.size());
  return std::string(decoded.data(), static_cast<std::size_t>(std::clamp(
                                         length, 0, static_cast<int>(decoded.size()) - 1)));
}

// The columns the table's property data marks as required or calculated,
// their names decoded.
std::vector<StoredColumnProperties> ColumnPropertiesOf(MdbHandle& mdb,
                                                       const std::string& propertyData) {
  std::vector<StoredColumnProperties> columns = ReadColumnProperties(propertyData);
  for (StoredColumnProperties& column : columns) {
    column.storedName = DecodeStoredName(mdb, column.storedName);
  }
  return columns;
}

// Whether the property data marks the column so; a column may have blocks in
// more than one chunk of it.
bool IsMarked(const std::vector<StoredColumnProperties>& marked, const std::string& name,
              bool StoredColumnProperties::*fact) {
  return std::any_of(marked.begin(), marked.end(), [&](const StoredColumnProperties& column) {
    return column.*fact && EqualsIgnoringAsciiCase(column.storedName, name);
  });
}

std::vector<ColumnDescription> DescribeColumns(MdbHandle& mdb, const MdbTableDef& table,
                                               const std::string& propertyData) {
  const std::vector<StoredColumnProperties> marked = ColumnPropertiesOf(mdb, propertyData);
  const bool bytePerCharacter = mdb.f->jet_version == MDB_VER_JET3;
  std::vector<ColumnDescription> columns;
  for (unsigned int i = 0; i < table.num_cols; ++i) {
    const auto* column = static_cast<const MdbColumn*>(g_ptr_array_index(table.columns, i));
    const std::string name = column->name;
    columns.push_back(ColumnDescription{
        name, AccessTypeName(column->col_type),
        FieldSize(column->col_type, column->col_size, bytePerCharacter),
        column->col_type == stored_type::kYesNo ||
            IsMarked(marked, name, &StoredColumnProperties::required),
        IsAutoNumber(column->col_type, column->is_long_auto != 0, column->is_uuid_auto != 0),
        IsMarked(marked, name, &StoredColumnProperties::calculated)});
  }
  return columns;
}

// The table's indexes, read by libmdb after FERULO's own checks of what the
// definition claims; every index column is checked to be one of the table's.
Result<std::vector<StoredIndex>> ReadIndexes(MdbTableDef& table, const std::string& path) {
  const std::string tableName = table.entry->object_name;
  if (table.num_idxs > kMostIndexes || table.num_real_idxs > kMostIndexes) {
    return CannotOpenDatabase(path,
                              "the definition of '" + tableName + "' claims " +
                                  std::to_string(std::max(table.num_idxs, table.num_real_idxs)) +
                                  " indexes, more than Access allows");
  }
  std::vector<StoredIndex> indexes;
  if (table.num_idxs == 0) {
    return indexes;
  }
  mdb_read_indices(&table);
  if (table.indices == nullptr || table.indices->len != table.num_idxs) {
    return CannotOpenDatabase(path, "the indexes of '" + tableName + "' cannot be read");
  }
  for (unsigned int i = 0; i < table.num_idxs; ++i) {
    const auto* index = static_cast<const MdbIndex*>(g_ptr_array_index(table.indices, i));
    StoredIndex stored{index->index_type == kPrimaryKeyIndexType,
                       (index->flags & MDB_IDX_UNIQUE) != 0,
                       (index->flags & MDB_IDX_REQUIRED) != 0,
                       {}};
    for (unsigned int key = 0; key < index->num_keys && key < MDB_MAX_IDX_COLS; ++key) {
      const int column = index->key_col_num[key];
      if (column < 1 || static_cast<unsigned int>(column) > table.num_cols) {
        return CannotOpenDatabase(path, "the index '" + std::string(index->name) + "' of '" +
                                            tableName + "' names a column it does not have");
      }
      stored.columns.push_back(static_cast<std::size_t>(column - 1));
    }
    indexes.push_back(std::move(stored));
  }
  return indexes;
}

bool HasColumnOfType(const MdbTableDef& table, const char* name, int type) {
  const MdbColumn* column = FindColumn(table, name);
  return column != nullptr && column->col_type == type;
}

// libmdb converts a bound column's value as it fetches each row; a Memo or
// OLE column would send it down page chains of its own. So MSysRelationships
// is read only where its columns have the types Access gives them.
bool HasRelationshipColumns(const MdbTableDef& table) {
  for (const char* text :
       {"szRelationship", "szObject", "szColumn", "szReferencedObject", "szReferencedColumn"}) {
    if (!HasColumnOfType(table, text, stored_type::kText)) {
      return false;
    }
  }
  return HasColumnOfType(table, "icolumn", stored_type::kLongInteger) &&
         HasColumnOfType(table, "ccolumn", stored_type::kLongInteger);
}

Result<std::vector<RelationshipRow>> ReadRelationshipRowsOf(MdbTableDef& table,
                                                            const std::string& path) {
  if (!HasUsageMap(table)) {
    return CannotOpenDatabase(path, "its relationship table MSysRelationships has no usage map");
  }
  if (!HasRelationshipColumns(table)) {
    return CannotOpenDatabase(
        path, "its relationship table MSysRelationships lacks a column or has one of a wrong type");
  }
  BoundColumn relationship(table, "szRelationship");
  BoundColumn object(table, "szObject");
  BoundColumn column(table, "szColumn");
  BoundColumn referencedObject(table, "szReferencedObject");
  BoundColumn referencedColumn(table, "szReferencedColumn");
  BoundColumn columnIndex(table, "icolumn");
  BoundColumn columnCount(table, "ccolumn");
  std::vector<RelationshipRow> rows;
  Status all = ReadEveryRow(table, "relationship table MSysRelationships", path, [&]() -> Status {
    const auto index = columnIndex.number();
    const auto count = columnCount.number();
    if (!index || !count) {
      return CannotOpenDatabase(path, "a row of MSysRelationships lacks its column place or count");
    }
    rows.push_back(RelationshipRow{relationship.text(), object.text(), column.text(),
                                   referencedObject.text(), referencedColumn.text(), *index,
                                   *count});
    return Done{};
  });
  if (!all) {
    return all.error();
  }
  return rows;
}

const SystemObject* FindLocalTable(const std::vector<SystemObject>& objects,
                                   std::string_view name) {
  const auto found = std::find_if(objects.begin(), objects.end(), [&](const SystemObject& object) {
    return object.type == kLocalTableObjectType && EqualsIgnoringAsciiCase(object.name, name);
  });
  return found == objects.end() ? nullptr : &*found;
}

// Every row of MSysRelationships; none where the file has no such table.
Result<std::vector<RelationshipRow>> ReadRelationshipRows(MdbHandle& mdb,
                                                          const std::vector<SystemObject>& objects,
                                                          const std::string& path) {
  const SystemObject* relationships = FindLocalTable(objects, kRelationshipTable);
  if (relationships == nullptr) {
    return std::vector<RelationshipRow>{};
  }
  MdbCatalogEntry entry = TableEntry(mdb, *relationships);
  auto table = ReadTableDefinition(entry, path);
  if (!table) {
    return table.error();
  }
  return ReadRelationshipRowsOf(*table.value(), path);
}

constexpr const char* kComplexColumnTable = "MSysComplexColumns";

// One row of MSysComplexColumns: a complex column (an attachment, a
// multi-valued field, an append-only memo's version history) of a table, and
// the system table that is the template of its values.
struct ComplexColumnRow {
  std::string column;
  long long tableId = 0;     // ConceptualTableID: the MSysObjects Id of the column's table
  long long templateId = 0;  // ComplexTypeObjectID: the MSysObjects Id of the template
};

// Read as MSysRelationships is: only where its usage map is there and its
// columns have the types Access gives them, every row accounted for.
Result<std::vector<ComplexColumnRow>> ReadComplexColumnRowsOf(MdbTableDef& table,
                                                              const std::string& path) {
  if (!HasUsageMap(table)) {
    return CannotOpenDatabase(path, "its complex column table MSysComplexColumns has no usage map");
  }
  if (!HasColumnOfType(table, "ColumnName", stored_type::kText) ||
      !HasColumnOfType(table, "ConceptualTableID", stored_type::kLongInteger) ||
      !HasColumnOfType(table, "ComplexTypeObjectID", stored_type::kLongInteger)) {
    return CannotOpenDatabase(path,
                              "its complex column table MSysComplexColumns lacks a column or has "
                              "one of a wrong type");
  }
  BoundColumn column(table, "ColumnName");
  BoundColumn tableId(table, "ConceptualTableID");
  BoundColumn templateId(table, "ComplexTypeObjectID");
  std::vector<ComplexColumnRow> rows;
  Status all =
      ReadEveryRow(table, "complex column table MSysComplexColumns", path, [&]() -> Status {
        const auto tableValue = tableId.number();
        const auto templateValue = templateId.number();
        if (tableValue && templateValue) {
          rows.push_back(ComplexColumnRow{column.text(), *tableValue, *templateValue});
        }
        return Done{};
      });
  if (!all) {
    return all.error();
  }
  return rows;
}

// Tells attachments, multi-valued fields and version histories apart, all of
// one stored type, by the template MSysComplexColumns names for each. The
// table is read on first need, once: only tables with such columns need it.
class ComplexColumns {
 public:
  ComplexColumns(MdbHandle& mdb, const std::vector<SystemObject>& objects, const std::string& path)
      : mdb_(mdb), objects_(objects), path_(path) {}

  // Gives each complex column of the table its type name; a column the file
  // does not describe keeps the name it has.
  Status NameTypes(const SystemObject& table, const MdbTableDef& definition,
                   std::vector<ColumnDescription>& columns) {
    for (unsigned int i = 0; i < definition.num_cols && i < columns.size(); ++i) {
      const auto* column = static_cast<const MdbColumn*>(g_ptr_array_index(definition.columns, i));
      if (column->col_type != stored_type::kComplex) {
        continue;
      }
      if (Status read = ReadRows(); !read) {
        return read;
      }
      if (const SystemObject* found = TemplateOf(table.id, columns[i].name)) {
        columns[i].type = ComplexTypeName(found->name);
      }
    }
    return Done{};
  }

 private:
  Status ReadRows() {
    if (rows_) {
      return Done{};
    }
    const SystemObject* complexColumns = FindLocalTable(objects_, kComplexColumnTable);
    if (complexColumns == nullptr) {
      rows_.emplace();  // a file before Access 2007: no complex columns described
      return Done{};
    }
    MdbCatalogEntry entry = TableEntry(mdb_, *complexColumns);
    auto definition = ReadTableDefinition(entry, path_);
    if (!definition) {
      return definition.error();
    }
    auto rows = ReadComplexColumnRowsOf(*definition.value(), path_);
    if (!rows) {
      return rows.error();
    }
    rows_ = std::move(rows).value();
    return Done{};
  }

  const SystemObject* TemplateOf(long long tableId, const std::string& column) const {
    for (const ComplexColumnRow& row : *rows_) {
      if (row.tableId != tableId || !EqualsIgnoringAsciiCase(row.column, column)) {
        continue;
      }
      for (const SystemObject& object : objects_) {
        if (object.id == row.templateId) {
          return &object;
        }
      }
    }
    return nullptr;
  }

  MdbHandle& mdb_;
  const std::vector<SystemObject>& objects_;
  const std::string& path_;
  std::optional<std::vector<ComplexColumnRow>> rows_;
};

Result<TableDescription> DescribeTableAt(MdbHandle& mdb, const SystemObject& object,
                                         const std::string& path, ComplexColumns& complex) {
  MdbCatalogEntry entry = TableEntry(mdb, object);
  auto table = ReadTableDefinition(entry, path);
  if (!table) {
    return table.error();
  }
  MdbTableDef& definition = *table.value();
  TableDescription description{
      object.name, DescribeColumns(mdb, definition, object.properties), {}, {}};
  auto indexes = ReadIndexes(definition, path);
  if (!indexes) {
    return indexes.error();
  }
  ApplyRecordKey(indexes.value(), description);
  // Only now: libmdb reads the indexes on from the definition page its page
  // buffer still holds, which reading another table's rows would replace.
  if (Status named = complex.NameTypes(object, definition, description.columns); !named) {
    return named.error();
  }
  return description;
}

// The relations of the described table, and the descriptions of the tables
// they refer to that the file stores.
Status AddRelations(MdbHandle& mdb, const std::vector<SystemObject>& objects,
                    const std::string& path, ComplexColumns& complex,
                    TableWithReferences& described) {
  auto rows = ReadRelationshipRows(mdb, objects, path);
  if (!rows) {
    return rows.error();
  }
  auto relations = RelationsOf(described.table, rows.value());
  if (!relations) {
    return CannotOpenDatabase(path, relations.error().description);
  }
  described.table.relations = std::move(relations).value();
  for (const Relation& relation : described.table.relations) {
    const SystemObject* referenced = FindLocalTable(objects, relation.referencedTable);
    if (referenced == nullptr || described.FindTable(referenced->name) != nullptr) {
      continue;  // a linked table, a table the file lacks, or one described already
    }
    auto description = DescribeTableAt(mdb, *referenced, path, complex);
    if (!description) {
      return description.error();
    }
    described.referencedTables.push_back(std::move(description).value());
  }
  SpellRelationsAsDefined(described);
  return Done{};
}

// The objects of the schema of tables, in MSysObjects order.
std::vector<CatalogObject> CatalogObjectsOf(const std::vector<SystemObject>& objects) {
  std::vector<CatalogObject> catalog;
  for (const auto& object : objects) {
    if (const auto tableType = TableTypeOf(object.type, object.flags, object.name)) {
      catalog.push_back(CatalogObject{std::string(*tableType), object.name});
    }
  }
  return catalog;
}

// The table called exactly tableName, with the tables it refers to.
Result<TableWithReferences> DescribeWithReferences(OpenedCatalog& opened, const std::string& path,
                                                   const std::string& tableName) {
  MdbHandle& mdb = *opened.mdb;
  const std::vector<SystemObject>& objects = opened.objects;
  const auto chosen = std::find_if(objects.begin(), objects.end(), [&](const SystemObject& object) {
    return object.type == kLocalTableObjectType && object.name == tableName;
  });
  if (chosen == objects.end()) {
    return TableNotFound(tableName, path);
  }
  ComplexColumns complex(mdb, objects, path);
  auto table = DescribeTableAt(mdb, *chosen, path, complex);
  if (!table) {
    return table.error();
  }
  TableWithReferences described{std::move(table).value(), {}};
  if (auto added = AddRelations(mdb, objects, path, complex, described); !added) {
    return added.error();
  }
  return described;
}

}  // namespace

Result<CatalogWithColumns> ReadCatalogWithColumns(const std::string& databasePath,
                                                  const std::string& tableName) {
  auto opened = OpenCatalog(databasePath);
  if (!opened) {
    return opened.error();
  }
  MdbHandle& mdb = *opened.value().mdb;
  CatalogWithColumns result;
  result.catalog = CatalogObjectsOf(opened.value().objects);
  for (const auto& object : opened.value().objects) {
    if (!tableName.empty() && object.name == tableName &&
        TableTypeOf(object.type, object.flags, object.name) == kUserTableType) {
      auto columns = ReadColumnsAt(mdb, object, databasePath);
      if (!columns) {
        return columns.error();
      }
      result.columns = std::move(columns).value();
      break;
    }
  }
  return result;
}

Result<std::vector<CatalogObject>> ReadCatalog(const std::string& databasePath) {
  auto read = ReadCatalogWithColumns(databasePath, std::string());
  if (!read) {
    return read.error();
  }
  return std::move(read.value().catalog);
}

Result<std::vector<std::string>> ReadColumnNames(const std::string& databasePath,
                                                 const std::string& tableName) {
  auto opened = OpenCatalog(databasePath);
  if (!opened) {
    return opened.error();
  }
  for (const auto& object : opened.value().objects) {
    if (object.type == kLocalTableObjectType && object.name == tableName) {
      return ReadColumnsAt(*opened.value().mdb, object, databasePath);
    }
  }
  return TableNotFound(tableName, databasePath);
}

Result<TableWithReferences> ReadTableDescriptions(const std::string& databasePath,
                                                  const std::string& tableName) {
  auto opened = OpenCatalog(databasePath);
  if (!opened) {
    return opened.error();
  }
  return DescribeWithReferences(opened.value(), databasePath, tableName);
}

Result<CatalogWithDescription> ReadCatalogWithDescription(const std::string& databasePath,
                                                          const std::string& tableName) {
  auto opened = OpenCatalog(databasePath);
  if (!opened) {
    return opened.error();
  }
  auto described = DescribeWithReferences(opened.value(), databasePath, tableName);
  if (!described) {
    return described.error();
  }
  return CatalogWithDescription{CatalogObjectsOf(opened.value().objects),
                                std::move(described).value()};
}

void ExitQuietlyWhenGlibRunsOutOfMemory() {
  g_log_set_handler("GLib", static_cast<GLogLevelFlags>(G_LOG_LEVEL_ERROR | G_LOG_FLAG_FATAL),
                    OnGlibError, nullptr);
}

}  // namespace ferulo::database
