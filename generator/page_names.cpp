#include "generator/page_names.h"

#include <filesystem>
#include <system_error>

#include "common/ascii_case.h"
#include "generator/fragments.h"
#include "generator/script_literal.h"

namespace ferulo::generator {

std::string PageBaseName(std::string_view databaseFileName) {
  const std::size_t lastDot = databaseFileName.rfind('.');
  if (lastDot == std::string_view::npos || lastDot == 0) {
    return std::string(databaseFileName);
  }
  return std::string(databaseFileName.substr(0, lastDot));
}

std::string OutputPrefix(std::string_view outputPath) {
  std::string prefix(outputPath);
  if (prefix.empty() || prefix.back() == '/') {
    return prefix;
  }
  std::error_code ignored;
  if (std::filesystem::is_directory(prefix, ignored)) {
    prefix += '/';
  }
  return prefix;
}

OutputFileNames MakeOutputFileNames(std::string_view outputPrefix, std::string_view pageBaseName) {
  const std::string pagePrefix = std::string(outputPrefix) + std::string(pageBaseName);
  return OutputFileNames{
      .listPage = pagePrefix + "list.asp",
      .editPage = pagePrefix + "edit.asp",
      .filterPage = pagePrefix + "filter.asp",
      .connectionInclude = std::string(outputPrefix) + "db.asp",
  };
}

namespace {

// The Access 2007 format (.accdb) needs the driver that ships with the Access
// Database Engine; the driver every Windows has opens only .mdb files.
std::string_view DriverFor(std::string_view databaseFileName) {
  const std::size_t lastDot = databaseFileName.rfind('.');
  std::string extension;
  if (lastDot != std::string_view::npos) {
    for (char c : databaseFileName.substr(lastDot + 1)) {
      extension += AsciiLower(c);
    }
  }
  return extension == "accdb" ? "{Microsoft Access Driver (*.mdb, *.accdb)}"
                              : "{Microsoft Access Driver (*.mdb)}";
}

}  // namespace

std::string ConnectionIncludeText(std::string_view databaseFileName) {
  std::string text;
  for (std::string_view line : {std::string_view("<%"), std::string_view("dim conn,connstr")}) {
    text.append(line).append(kLineBreak);
  }
  text.append("connstr=\"DBQ=\"+server.mappath(\"")
      .append(ScriptLiteralText(databaseFileName))
      .append("\")+\";DefaultDir=;DRIVER=")
      .append(DriverFor(databaseFileName))
      .append(";\" ")
      .append(kLineBreak);
  for (std::string_view line :
       {std::string_view("set conn=server.createobject(\"ADODB.CONNECTION\")"),
        std::string_view("conn.open connstr"), std::string_view("%>")}) {
    text.append(line).append(kLineBreak);
  }
  return text;
}

}  // namespace ferulo::generator
