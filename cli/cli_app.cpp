#include "cli/cli_app.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <filesystem>
#include <ostream>

#include "cli/job_file.h"
#include "common/error_codes.h"
#include "database/database_errors.h"
#include "database/table_description_json.h"
#include "generator/generation_run.h"

namespace ferulo::cli {

namespace {

struct Arguments {
  std::string database;
  std::string table;
  std::string output;
  std::string templates;
  std::string job;
};

// The description on the first line; what only helps to find the cause
// further (libmdb's own report) on a second.
void PrintError(std::ostream& err, const Error& error) {
  err << "ferulo-cli: error " << error.number << ": " << error.description << '\n';
  if (!error.details.empty()) {
    err << "ferulo-cli: details: " << error.details << '\n';
  }
}

void PrintLines(std::ostream& out, const std::vector<std::string>& lines) {
  for (const std::string& line : lines) {
    out << line << '\n';
  }
}

// With a table, its columns come in the same reader run as the catalog.
Result<database::Connection> OpenDatabase(const std::string& path, const CliSetup& setup,
                                          const std::string& table = {}) {
  return database::Connection::OpenWithColumnsOf(path, table, setup.readerOptions);
}

// The catalog and the table's description in one reader run; without a table,
// the catalog alone.
Result<database::Connection> DescribeDatabase(const std::string& path, const CliSetup& setup,
                                              const std::string& table) {
  return table.empty() ? database::Connection::Open(path, setup.readerOptions)
                       : database::Connection::OpenDescribing(path, table, setup.readerOptions);
}

// The command line offers only the user tables.
Status RequireUserTable(const database::Connection& connection, const std::string& table) {
  const std::vector<std::string> tables = database::UserTableNames(connection.OpenSchemaTables());
  if (std::find(tables.begin(), tables.end(), table) == tables.end()) {
    return database::TableNotFound(table, connection.databasePath());
  }
  return Done{};
}

Result<std::vector<std::string>> ListColumns(const database::Connection& connection,
                                             const std::string& table) {
  if (auto listed = RequireUserTable(connection, table); !listed) {
    return listed.error();
  }
  return connection.ColumnNames(table);
}

int RunTables(const Arguments& args, std::ostream& out, std::ostream& err, const CliSetup& setup) {
  auto connection = OpenDatabase(args.database, setup);
  if (!connection) {
    PrintError(err, connection.error());
    return kExitFailure;
  }
  PrintLines(out, database::UserTableNames(connection.value().OpenSchemaTables()));
  return kExitSuccess;
}

int RunColumns(const Arguments& args, std::ostream& out, std::ostream& err, const CliSetup& setup) {
  auto connection = OpenDatabase(args.database, setup, args.table);
  if (!connection) {
    PrintError(err, connection.error());
    return kExitFailure;
  }
  auto columns = ListColumns(connection.value(), args.table);
  if (!columns) {
    PrintError(err, columns.error());
    return kExitFailure;
  }
  PrintLines(out, columns.value());
  return kExitSuccess;
}

int RunDescribe(const Arguments& args, std::ostream& out, std::ostream& err,
                const CliSetup& setup) {
  auto connection = DescribeDatabase(args.database, setup, args.table);
  if (!connection) {
    PrintError(err, connection.error());
    return kExitFailure;
  }
  if (auto listed = RequireUserTable(connection.value(), args.table); !listed) {
    PrintError(err, listed.error());
    return kExitFailure;
  }
  auto described = connection.value().DescribeTable(args.table);
  if (!described) {
    PrintError(err, described.error());
    return kExitFailure;
  }
  out << database::ToJsonText(described.value().table) << '\n';
  return kExitSuccess;
}

constexpr const char* kDescribeFooter =
    "Prints one JSON object:\n"
    "  table       the table's name\n"
    "  columns     in column order, each {name, type, size, required, autonumber,\n"
    "              calculated}: type is Access's name (\"Text\", \"Long Integer\",\n"
    "              \"Date/Time\", ..., \"Attachment\", \"Multi-valued\");\n"
    "              size is the most characters for Text, otherwise the bytes of the\n"
    "              value in a row (0 for Yes/No, Memo, OLE Object);\n"
    "              required: a record needs a value there (Required set, Yes/No, or\n"
    "              part of the key); autonumber: the database fills it in;\n"
    "              calculated: an expression over the record computes it\n"
    "  primaryKey  the columns that find one record, in key order: the primary key,\n"
    "              or the first unique index without a column that may be Null;\n"
    "              [] where there is neither\n"
    "  relations   where the table refers to another, each\n"
    "              {columns, references: {table, columns}}";

// The folder of the database with its trailing separator, as the window
// presets the output path: the path less its file name.
std::string DatabaseFolder(const std::string& databasePath) {
  const std::size_t slash = databasePath.rfind('/');
  return slash == std::string::npos ? std::string() : databasePath.substr(0, slash + 1);
}

std::string DatabaseFileName(const std::string& databasePath) {
  const std::size_t slash = databasePath.rfind('/');
  return slash == std::string::npos ? databasePath : databasePath.substr(slash + 1);
}

// The job's lists, each defaulting to the table's columns, and the table's
// description (its columns, record key and lookups), from one reader run.
struct ResolvedLists {
  generator::FieldLists lists;
  database::TableWithReferences description;
};

Result<ResolvedLists> ResolveLists(const Job& job, const database::Connection& connection) {
  if (job.table.empty()) {
    return ResolvedLists{};  // the generation run refuses a run without a table
  }
  if (auto listed = RequireUserTable(connection, job.table); !listed) {
    return listed.error();
  }
  auto described = connection.DescribeTable(job.table);
  if (!described) {
    return described.error();
  }
  std::vector<std::string> columns;
  for (const database::ColumnDescription& column : described.value().table.columns) {
    columns.push_back(column.name);
  }
  generator::FieldLists lists{
      .fieldNames = job.fields.value_or(columns),
      .displayNames = job.display.value_or(job.fields.value_or(columns)),
      .filterNames = job.filter.value_or(columns),
      .searchNames = job.search.value_or(columns),
  };
  if (lists.fieldNames.size() != lists.displayNames.size()) {
    return Error{error_code::kBadJobFile,
                 "\"display\" has " + std::to_string(lists.displayNames.size()) +
                     " entries but the table '" + job.table + "' has " +
                     std::to_string(lists.fieldNames.size()) +
                     " fields; they pair by position and must be of equal length"};
  }
  return ResolvedLists{std::move(lists), std::move(described).value()};
}

int Generate(const Job& job, const Arguments& args, std::ostream& out, std::ostream& err,
             const CliSetup& setup) {
  auto connection = DescribeDatabase(job.database, setup, job.table);
  if (!connection) {
    PrintError(err, connection.error());
    return kExitFailure;
  }
  auto resolved = ResolveLists(job, connection.value());
  if (!resolved) {
    PrintError(err, resolved.error());
    return kExitFailure;
  }
  const generator::GenerationInput input{
      .databasePathText = job.database,
      .databaseFileName = DatabaseFileName(job.database),
      .tableName = job.table,
      .outputPath = job.output.value_or(DatabaseFolder(job.database)),
      .lists = std::move(resolved.value().lists),
      .programDirectory = args.templates.empty() ? setup.programDirectory() : args.templates,
      .helperDirectory = setup.programDirectory(),
      .databaseHasPassword = connection.value().hasDatabasePassword(),
      .description = std::move(resolved.value().description),
  };
  auto report = generator::RunGeneration(input);
  if (!report) {
    PrintError(err, report.error());
    return kExitFailure;
  }
  if (!report.value().succeeded()) {
    err << "ferulo-cli: " << report.value().message.text << '\n';
    return kExitFailure;
  }
  out << report.value().message.text << '\n';
  PrintLines(out, report.value().writtenFiles);
  for (const std::string& warning : report.value().warnings) {
    err << "ferulo-cli: warning: " << warning << '\n';
  }
  return kExitSuccess;
}

int RunGenerate(const Arguments& args, std::ostream& out, std::ostream& err,
                const CliSetup& setup) {
  if (!args.job.empty()) {
    auto job = LoadJobFile(args.job);
    if (!job) {
      PrintError(err, job.error());
      return kExitFailure;
    }
    return Generate(job.value(), args, out, err, setup);
  }
  Job job;
  job.database = args.database;
  job.table = args.table;
  if (!args.output.empty()) {
    job.output = args.output;
  }
  return Generate(job, args, out, err, setup);
}

void DescribeGenerate(CLI::App& generate, Arguments& args) {
  auto* database = generate.add_option("DATABASE", args.database, "Access database file");
  auto* table = generate.add_option("TABLE", args.table, "table to make the pages for");
  auto* output = generate.add_option(
      "--output,-o", args.output,
      "prefix of the output files; default: the database's folder (an existing folder named "
      "without a trailing '/' gets one)");
  auto* job = generate.add_option(
      "--job", args.job,
      "JSON job file: database, table (required); output, fields, display, filter, search");
  generate.add_option("--templates", args.templates,
                      "folder of filelist.dat, fileedit.dat and filefilter.dat; default: the "
                      "folder of ferulo-cli, which always gives the page helpers pagehelpers.vbs");
  job->excludes(database)->excludes(table)->excludes(output);
  database->needs(table);
  table->needs(database);
}

}  // namespace

int RunCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err,
           const CliSetup& setup) {
  CLI::App app{"FERULO: make classic ASP pages for one table of an Access database", "ferulo-cli"};
  app.require_subcommand(1);
  app.set_version_flag("--version", std::string("ferulo-cli ") + FERULO_VERSION_TEXT);
  Arguments args;

  auto* tables = app.add_subcommand("tables", "list the user tables, one per line, catalog order");
  tables->add_option("DATABASE", args.database, "Access database file")->required();

  auto* columns = app.add_subcommand("columns", "list a table's columns, one per line");
  columns->add_option("DATABASE", args.database, "Access database file")->required();
  columns->add_option("TABLE", args.table, "table name, exactly as listed")->required();

  auto* describe =
      app.add_subcommand("describe", "print a table's columns, record key and relations as JSON");
  describe->add_option("DATABASE", args.database, "Access database file")->required();
  describe->add_option("TABLE", args.table, "table name, exactly as listed")->required();
  describe->footer(kDescribeFooter);

  auto* generate = app.add_subcommand(
      "generate", "write the list, edit and filter pages and db.asp for a table");
  DescribeGenerate(*generate, args);

  try {
    app.parse(argc, argv);
    if (generate->parsed() && args.job.empty() && args.database.empty()) {
      throw CLI::RequiredError("DATABASE and TABLE, or --job FILE,");
    }
  } catch (const CLI::ParseError& error) {
    // --help and --version land here too, with code 0.
    const int code = app.exit(error, out, err);
    return code == 0 ? kExitSuccess : kExitUsage;
  }
  if (tables->parsed()) {
    return RunTables(args, out, err, setup);
  }
  if (columns->parsed()) {
    return RunColumns(args, out, err, setup);
  }
  if (describe->parsed()) {
    return RunDescribe(args, out, err, setup);
  }
  return RunGenerate(args, out, err, setup);
}

}  // namespace ferulo::cli
