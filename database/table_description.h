#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What FERULO knows of a table beyond its column names: each column's type
// and constraints, the key that finds one record, and the relations in which
// the table refers to other tables. Read from the file by the reader process;
// used by the command line and the generation run.
namespace ferulo::database {

struct ColumnDescription {
  std::string name;
  std::string type;  // Access's name for it: "Text", "Long Integer", "Date/Time", ...
  // Text: the most characters it holds. Other types: the bytes its value takes
  // in a row (0 for Yes/No, Memo and OLE Object, whose values lie elsewhere).
  int size = 0;
  // A record cannot be saved without a value here: the column's Required
  // property is set, it is a Yes/No column (never Null in Access), or it
  // belongs to the record key.
  bool required = false;
  bool autonumber = false;  // the database fills it in itself
  // Its value is computed from an expression over other columns of the
  // record (its Expression property); it cannot be written.
  bool calculated = false;
  bool operator==(const ColumnDescription&) const = default;
};

// Whether the database fills the column's value, so that a page shows it but
// never offers it for input or writes it: a calculated column, or a complex
// one (an attachment, a multi-valued field, a version history), whose values
// the database keeps in tables of its own. An AutoNumber, which a page shows
// the same way, is told by its own flag.
[[nodiscard]] bool FilledByDatabase(const ColumnDescription& column);

// The table's columns refer to the referenced table's columns, paired by
// position, in the order of the relationship's key.
struct Relation {
  std::vector<std::string> columns;
  std::string referencedTable;
  std::vector<std::string> referencedColumns;
  bool operator==(const Relation&) const = default;
};

struct TableDescription {
  std::string name;
  std::vector<ColumnDescription> columns;  // in column order
  // The columns that find one record, in key order: the primary key, or
  // without one the first unique index none of whose columns can be Null.
  // Empty where the table has neither.
  std::vector<std::string> primaryKey;
  std::vector<Relation> relations;  // in which this table refers to another
  bool operator==(const TableDescription&) const = default;

  [[nodiscard]] const ColumnDescription* FindColumn(std::string_view columnName) const;
};

// A table and every table its relations refer to, each once (the table itself
// where it refers to itself is not repeated). Referenced tables come with
// their columns and record key; their own relations are not read. A relation
// to a table the file does not store (a linked table) has no description here.
struct TableWithReferences {
  TableDescription table;
  std::vector<TableDescription> referencedTables;

  // The table or a referenced table of that name, letter case ignored.
  [[nodiscard]] const TableDescription* FindTable(std::string_view tableName) const;
};

// How a page offers a related column: a choice among the referenced table's
// keys, each shown by its caption.
struct Lookup {
  std::string column;           // the related column of the table
  std::string referencedTable;  // spelled as the referenced table defines it
  std::string keyColumn;        // the referenced column, whose value is stored
  std::string captionColumn;    // what the choice shows
  bool operator==(const Lookup&) const = default;
};

// For a relation over one column: the referenced column as the key, and as
// the caption the first required Text column of the referenced table that is
// not that key, else the first Text column that is not, else the key itself.
// nullopt for a relation over several columns, or where the referenced table
// lacks the referenced column.
[[nodiscard]] std::optional<Lookup> ChooseLookup(const Relation& relation,
                                                 const TableDescription& referenced);

// The lookups of every relation of described.table for which one can be
// chosen, in the order of the relations.
[[nodiscard]] std::vector<Lookup> ChooseLookups(const TableWithReferences& described);

}  // namespace ferulo::database
