#include "generator/page_helpers.h"

#include <algorithm>
#include <cstddef>

#include "common/ascii_case.h"
#include "common/error_codes.h"

namespace ferulo::generator {

namespace {

bool IsWordCharacter(char c) {
  return IsAsciiAlphanumeric(c) || c == '_';
}

bool IsWord(std::string_view token) {
  return !token.empty() && IsAsciiLetter(token.front());
}

// A line of script without its comment and with its string literals emptied,
// so that nothing inside a text or a comment is taken for code.
std::string CodeOf(std::string_view line) {
  std::string code;
  bool inString = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (inString) {
      if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
        ++i;
      } else if (c == '"') {
        inString = false;
        code += '"';
      }
      continue;
    }
    if (c == '\'') {
      break;
    }
    code += c;
    inString = c == '"';
  }
  return code;
}

// Words in lower case, every other character but blanks as a token of its own.
std::vector<std::string> Tokens(std::string_view code) {
  std::vector<std::string> tokens;
  for (std::size_t i = 0; i < code.size();) {
    if (IsAsciiLetter(code[i])) {
      std::string word;
      for (; i < code.size() && IsWordCharacter(code[i]); ++i) {
        word += AsciiLower(code[i]);
      }
      tokens.push_back(std::move(word));
    } else {
      if (code[i] != ' ' && code[i] != '\t') {
        tokens.emplace_back(1, code[i]);
      }
      ++i;
    }
  }
  return tokens;
}

struct Statement {
  std::vector<std::string> tokens;
  std::size_t firstLine = 0;  // from 1
  std::size_t lastLine = 0;
};

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  for (std::size_t start = 0; start <= text.size();) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) {
      end = text.size();
    }
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') {
      line.remove_suffix(1);
    }
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

// A line that goes on in the next one ends in " _": the mark is dropped.
bool TakeContinuation(std::string& code) {
  while (!code.empty() && (code.back() == ' ' || code.back() == '\t')) {
    code.pop_back();
  }
  if (code.empty() || code.back() != '_' ||
      (code.size() > 1 && code[code.size() - 2] != ' ' && code[code.size() - 2] != '\t')) {
    return false;
  }
  code.pop_back();
  return true;
}

// The statements of a script: lines joined where they go on, split at ":".
std::vector<Statement> Statements(const std::vector<std::string_view>& lines) {
  std::vector<Statement> statements;
  std::string logical;
  std::size_t first = 0;
  for (std::size_t n = 0; n < lines.size(); ++n) {
    std::string code = CodeOf(lines[n]);
    const bool continues = TakeContinuation(code);
    if (logical.empty()) {
      first = n + 1;
    }
    logical += code + ' ';
    if (continues && n + 1 < lines.size()) {
      continue;
    }
    std::size_t start = 0;
    for (std::size_t colon = 0; colon != std::string::npos; start = colon + 1) {
      colon = logical.find(':', start);
      std::vector<std::string> tokens = Tokens(std::string_view(logical).substr(
          start, colon == std::string::npos ? std::string::npos : colon - start));
      if (!tokens.empty() && tokens.front() == "rem") {
        break;
      }
      if (!tokens.empty()) {
        statements.push_back({std::move(tokens), first, n + 1});
      }
    }
    logical.clear();
  }
  return statements;
}

enum class StatementKind { kOpensBlock, kClosesBlock, kDeclares, kOther };

struct Classified {
  StatementKind kind = StatementKind::kOther;
  std::vector<std::string> names;
};

bool IsOneOf(const std::string& word, std::initializer_list<std::string_view> words) {
  return std::find(words.begin(), words.end(), word) != words.end();
}

// The names of "Dim a, b(3)" or "Const c = 1, d = 2", from tokens[from] on.
std::vector<std::string> DeclaredNames(const std::vector<std::string>& tokens, std::size_t from) {
  std::vector<std::string> names;
  bool expectName = true;
  int depth = 0;
  for (std::size_t i = from; i < tokens.size(); ++i) {
    const std::string& token = tokens[i];
    if (token == "(") {
      ++depth;
    } else if (token == ")") {
      --depth;
    } else if (depth == 0 && token == ",") {
      expectName = true;
    } else if (expectName && IsWord(token)) {
      names.push_back(token);
      expectName = false;
    }
  }
  return names;
}

Classified Classify(const std::vector<std::string>& tokens) {
  std::size_t i = 0;
  const bool scoped = IsOneOf(tokens[0], {"public", "private"});
  if (scoped) {
    ++i;
  }
  if (i < tokens.size() && tokens[i] == "default") {
    ++i;
  }
  if (i >= tokens.size()) {
    return {};
  }
  const std::string& word = tokens[i];
  if (IsOneOf(word, {"function", "sub", "class"})) {
    Classified opens{StatementKind::kOpensBlock, {}};
    if (i + 1 < tokens.size() && IsWord(tokens[i + 1])) {
      opens.names.push_back(tokens[i + 1]);
    }
    return opens;
  }
  if (word == "property") {
    return {StatementKind::kOpensBlock, {}};
  }
  if (word == "end" && i + 1 < tokens.size() &&
      IsOneOf(tokens[i + 1], {"function", "sub", "property", "class"})) {
    return {StatementKind::kClosesBlock, {}};
  }
  if (IsOneOf(word, {"dim", "redim", "const"}) || scoped) {
    std::size_t from = IsOneOf(word, {"dim", "redim", "const"}) ? i + 1 : i;
    if (from < tokens.size() && tokens[from] == "preserve") {
      ++from;
    }
    return {StatementKind::kDeclares, DeclaredNames(tokens, from)};
  }
  return {};
}

// The page's script: its <% %> blocks in order, directives left out.
// Expression blocks (<%= %>) count only where withExpressions is set: they
// call helpers but declare nothing.
std::string ScriptOf(std::string_view page, bool withExpressions) {
  std::string script;
  for (std::size_t open = page.find("<%"); open != std::string_view::npos;) {
    const std::size_t start = open + 2;
    const std::size_t close = page.find("%>", start);
    const std::string_view block = page.substr(
        start, close == std::string_view::npos ? std::string_view::npos : close - start);
    const bool directive = !block.empty() && block.front() == '@';
    const bool expression = !block.empty() && block.front() == '=';
    if (!directive && (withExpressions || !expression)) {
      script.append(expression ? block.substr(1) : block).append("\n");
    }
    if (close == std::string_view::npos) {
      break;
    }
    open = page.find("<%", close + 2);
  }
  return script;
}

std::set<std::string> WordsOf(const std::vector<Statement>& statements) {
  std::set<std::string> words;
  for (const Statement& statement : statements) {
    for (const std::string& token : statement.tokens) {
      if (IsWord(token)) {
        words.insert(token);
      }
    }
  }
  return words;
}

bool IsCommentLine(std::string_view line) {
  const std::size_t first = line.find_first_not_of(" \t");
  return first != std::string_view::npos && line[first] == '\'';
}

Error HelperFileError(const std::string& path, std::size_t line, const std::string& why) {
  return Error{error_code::kBadPageHelpers,
               "The page helpers '" + path + "' line " + std::to_string(line) + ": " + why};
}

// Builds the helpers from the statements of the file, one declaration after
// another.
class HelperSplitter {
 public:
  HelperSplitter(std::string_view text, const std::string& path)
      : lines_(Lines(text)), path_(path) {}

  Result<std::vector<PageHelper>> Split() {
    for (const Statement& statement : Statements(lines_)) {
      if (Status taken = Take(statement); !taken) {
        return taken.error();
      }
    }
    if (depth_ > 0) {
      return HelperFileError(path_, lines_.size(), "'" + current_.name + "' is never ended");
    }
    return std::move(helpers_);
  }

 private:
  Status Take(const Statement& statement) {
    const Classified classified = Classify(statement.tokens);
    if (depth_ > 0) {
      current_.callees.insert(statement.tokens.begin(), statement.tokens.end());
      depth_ += classified.kind == StatementKind::kOpensBlock    ? 1
                : classified.kind == StatementKind::kClosesBlock ? -1
                                                                 : 0;
      return depth_ == 0 ? Finish(statement.lastLine) : Status(Done{});
    }
    const bool block =
        classified.kind == StatementKind::kOpensBlock && statement.tokens[0] != "property";
    const bool variable =
        classified.kind == StatementKind::kDeclares && statement.tokens[0] == "dim";
    if ((!block && !variable) || classified.names.size() != 1) {
      return HelperFileError(path_, statement.firstLine,
                             "only a Function, a Sub, a Class or a Dim of one variable may stand "
                             "here, since the helpers go at the end of every page");
    }
    if (statement.firstLine <= lastEnd_) {
      return HelperFileError(path_, statement.firstLine, "one declaration to a line");
    }
    current_ = PageHelper{classified.names.front(), {}, {}};
    current_.callees.insert(statement.tokens.begin(), statement.tokens.end());
    first_ = CommentStart(statement.firstLine);
    depth_ = block ? 1 : 0;
    return block ? Status(Done{}) : Finish(statement.lastLine);
  }

  // The first of the comment lines right above a declaration.
  std::size_t CommentStart(std::size_t line) const {
    while (line - 1 > lastEnd_ && IsCommentLine(lines_[line - 2])) {
      --line;
    }
    return line;
  }

  Status Finish(std::size_t lastLine) {
    for (const PageHelper& earlier : helpers_) {
      if (earlier.name == current_.name) {
        return HelperFileError(path_, first_, "'" + current_.name + "' is declared twice");
      }
    }
    for (std::size_t n = first_; n <= lastLine; ++n) {
      current_.text.append(lines_[n - 1]).append("\r\n");
    }
    std::erase_if(current_.callees, [](const std::string& token) { return !IsWord(token); });
    helpers_.push_back(std::move(current_));
    lastEnd_ = lastLine;
    return Done{};
  }

  std::vector<std::string_view> lines_;
  const std::string& path_;
  std::vector<PageHelper> helpers_;
  PageHelper current_;
  std::size_t first_ = 0;
  std::size_t lastEnd_ = 0;
  int depth_ = 0;
};

}  // namespace

Result<std::vector<PageHelper>> ParsePageHelpers(std::string_view text, const std::string& path) {
  // The helpers go into a script block of the page, which "%>" would end
  // wherever it stands, even in a comment.
  if (const std::size_t end = text.find("%>"); end != std::string_view::npos) {
    const auto line = static_cast<std::size_t>(std::count(text.begin(), text.begin() + end, '\n'));
    return HelperFileError(path, line + 1, "\"%>\" would end the page's script block here");
  }
  return HelperSplitter(text, path).Split();
}

std::set<std::string> DeclaredScriptNames(std::string_view page) {
  std::set<std::string> names;
  int depth = 0;
  for (const Statement& statement : Statements(Lines(ScriptOf(page, false)))) {
    const Classified classified = Classify(statement.tokens);
    if (depth == 0 && classified.kind != StatementKind::kClosesBlock) {
      names.insert(classified.names.begin(), classified.names.end());
    }
    if (classified.kind == StatementKind::kOpensBlock) {
      ++depth;
    } else if (classified.kind == StatementKind::kClosesBlock && depth > 0) {
      --depth;
    }
  }
  return names;
}

std::string HelpersThePageLacks(std::string_view page, const std::vector<PageHelper>& helpers) {
  const std::set<std::string> declared = DeclaredScriptNames(page);
  std::set<std::string> called = WordsOf(Statements(Lines(ScriptOf(page, true))));
  std::vector<bool> needed(helpers.size(), false);
  for (bool grew = true; grew;) {
    grew = false;
    for (std::size_t i = 0; i < helpers.size(); ++i) {
      const PageHelper& helper = helpers[i];
      if (!needed[i] && called.contains(helper.name) && !declared.contains(helper.name)) {
        needed[i] = true;
        called.insert(helper.callees.begin(), helper.callees.end());
        grew = true;
      }
    }
  }
  std::string block;
  for (std::size_t i = 0; i < helpers.size(); ++i) {
    if (needed[i]) {
      block += helpers[i].text;
    }
  }
  if (block.empty()) {
    return block;
  }
  return "<%\r\n' The page helpers this page uses and its template does not define.\r\n" + block +
         "%>\r\n";
}

}  // namespace ferulo::generator
