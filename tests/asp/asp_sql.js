// The SELECT statements of the stand-in database (asp_database.vbs), run as
// Jet runs them through the Access ODBC driver. asp_host.js loads this file;
// asp_database.vbs keeps the tables' typed values and hands a plain copy of
// every row here (dates as their day numbers, binary data as 1), because
// Wine's VBScript engine takes tens of microseconds for every global name it
// looks up, and a page's statements go over thousands of rows.
//
//   SELECT [TOP n] (* | column, column... | COUNT(*)) FROM table
//     [WHERE condition] [ORDER BY column [ASC|DESC], ...]
//
// A condition joins predicates with AND, OR, NOT and parentheses:
// operand (=|<>|<|<=|>|>=) operand, operand [NOT] LIKE operand,
// operand IS [NOT] NULL, operand [NOT] IN (operand, ...),
// operand [NOT] BETWEEN operand AND operand. An operand is a column ([name]
// or a plain name), ? (the next parameter, typed by its ADO type), 'text', a
// number (32.38, -5, 1E3), a date (#1996-07-04#, #1996-07-04 14:05:00#,
// #7/4/1996# as month/day/year whatever the locale), True, False, Null, or
// text joined with & (ChrW(n) among it).
//
// As in Jet: text compares without regard to letter case, numbers and dates
// by value; anything compared with Null is not true, and NOT, AND and OR
// follow three-valued logic; LIKE takes %, _ and Jet's own *, ?, # as
// wildcards and [...] as a class or a bracketed literal ([%]), ignores case,
// and matches a number, date or Yes/No column against its text as Jet gives
// it under the server's locale (the VBScript side writes those texts with
// each row, and a constant's when asked); text against a number or date
// raises "Data type mismatch in criteria expression"; binary (OLE Object)
// columns cannot be compared or sorted.
// BETWEEN takes its bounds in either order; TOP n keeps n rows after the sort
// and the rows that tie with the last of them. Anything else is a syntax
// error naming what was met, so that no statement silently matches every row.
//
// sqlRun answers "ok", the table, the columns shown, "count" or "rows" and
// the row numbers (tab-separated; numbers comma-separated), or "error", the
// error number and its description.

var kSyntaxError = -2147217900;
var kMissingValue = -2147217904;
var kTypeMismatch = -2147217913;
var kNoTable = -2147217865;

function SqlError(number, text) {
  this.number = number;
  this.text = text;
}

function SqlTable(name, names, kinds) {
  this.name = name;
  this.names = names;
  this.kinds = kinds;
  this.rows = [];     // by row number: the values by column
  this.texts = [];    // by row number: the Jet texts of the values that are no text
  this.deleted = [];
}

SqlTable.prototype.columnIndex = function (name) {
  var wanted = name.toUpperCase();
  for (var i = 0; i < this.names.length; i++) {
    if (this.names[i].toUpperCase() == wanted) return i;
  }
  return -1;
};

function sqlTables(sink) {
  if (!sink.sqlTableList) sink.sqlTableList = {};
  return sink.sqlTableList;
}

// names and kinds: tab-separated.
Sink.prototype.sqlTable = function (name, names, kinds) {
  sqlTables(this)[name.toUpperCase()] = new SqlTable(name, names.split("\t"), kinds.split("\t"));
  return 0;
};

// values: the row's values by column, then the Jet texts of those that are
// no text.
Sink.prototype.sqlRow = function (name, number, values) {
  var table = sqlTables(this)[name.toUpperCase()];
  var all = new VBArray(values).toArray();
  var count = table.names.length;
  var texts = [];
  for (var i = 0, next = count; i < count; i++) {
    if (table.kinds[i] != "text" && table.kinds[i] != "binary") texts[i] = all[next++];
  }
  table.rows[number] = all.slice(0, count);
  table.texts[number] = texts;
  table.deleted[number] = false;
  return 0;
};

Sink.prototype.sqlDelete = function (name, number) {
  sqlTables(this)[name.toUpperCase()].deleted[number] = true;
  return 0;
};

// kinds: the parameters' kinds, tab-separated; values: their values;
// helper: the VBScript object that writes dates and texts as VBScript does.
Sink.prototype.sqlRun = function (sql, kinds, values, helper) {
  try {
    var parameters = [];
    var list = new VBArray(values).toArray();
    var kindList = kinds == "" ? [] : kinds.split("\t");
    for (var i = 0; i < list.length; i++) parameters.push({kind: kindList[i], value: list[i]});
    var result = new SqlStatement(sql, sqlTables(this), parameters, helper).run();
    return "ok\t" + result.table + "\t" + result.fields.join(",") + "\t" + result.how + "\t" + result.rows.join(",");
  } catch (e) {
    if (e instanceof SqlError) return "error\t" + e.number + "\t" + e.text;
    // A fault of this engine: the page fails with VBScript's "Internal
    // error" and the engine's message.
    return "error\t51\tThe test's SQL engine failed on '" + sql + "': " + (e.message || e.description || String(e));
  }
};

// ------------------------------------------------------------------ values

function isNull(value) {
  return value === null || value === undefined;
}

// Yes/No as Jet counts it: -1 and 0.
function numberOf(value) {
  if (value === true) return -1;
  if (value === false) return 0;
  return value;
}

// Text in order without regard to case, character by character (Wine's
// JScript fails on localeCompare; Jet's own order differs from this only in
// where it puts letters outside ASCII).
function textOrder(a, b) {
  var x = String(a).toUpperCase();
  var y = String(b).toUpperCase();
  return x < y ? -1 : (x > y ? 1 : 0);
}

function valueOrder(a, b, isText) {
  if (isText) return textOrder(a, b);
  a = numberOf(a);
  b = numberOf(b);
  return a < b ? -1 : (a > b ? 1 : 0);
}

function not3(a) {
  return a === null ? null : !a;
}

function regExpLiteral(c) {
  return "\\^$.|?*+()[]{}/-".indexOf(c) >= 0 ? "\\" + c : c;
}

// A LIKE pattern as a regular expression over the whole text, letter case
// ignored: % and * any text, _ and ? one character, # one digit, [abc],
// [a-z] and [!abc] classes (so [%] is a literal %). Any text at either end
// is left out of the expression (Wine's engine is slow to try it).
function likeExpression(pattern, sql) {
  var parts = [];
  for (var i = 0; i < pattern.length; i++) {
    var c = pattern.charAt(i);
    if (c == "%" || c == "*") {
      parts.push("[\\s\\S]*");
    } else if (c == "_" || c == "?") {
      parts.push("[\\s\\S]");
    } else if (c == "#") {
      parts.push("[0-9]");
    } else if (c == "[") {
      var closing = pattern.indexOf("]", i + 1);
      if (closing < 0) throw new SqlError(kSyntaxError, "Invalid pattern string '" + pattern + "' in '" + sql + "'");
      var inner = pattern.substring(i + 1, closing);
      var negate = inner.charAt(0) == "!" && inner.length > 1;
      if (negate) inner = inner.substring(1);
      if (inner != "") {
        var set = negate ? "[^" : "[";
        for (var j = 0; j < inner.length; j++) {
          var d = inner.charAt(j);
          set += (d == "-" && j > 0 && j < inner.length - 1) ? "-" : regExpLiteral(d);
        }
        parts.push(set + "]");
      }
      i = closing;
    } else {
      parts.push(regExpLiteral(c));
    }
  }
  var anyText = "[\\s\\S]*";
  var start = 0, end = parts.length;
  while (start < end && parts[start] == anyText) start++;
  while (end > start && parts[end - 1] == anyText) end--;
  var source = parts.slice(start, end).join("");
  if (start == 0) source = "^" + source;
  if (end == parts.length) source += "$";
  return new RegExp(source, "i");
}

// ------------------------------------------------------------------ parsing

// Blanks, 'text', [name], #date#, a number, a word, a two-character
// operator, any other character.
var kTokens = new RegExp([
  "\\s+", "'(?:[^']|'')*'", "\\[[^\\]]*\\]", "#[^#]*#", "(?:[0-9]+(?:\\.[0-9]*)?|\\.[0-9]+)(?:[Ee][+-]?[0-9]+)?",
  "[A-Za-z_\\u00C0-\\uFFFF][A-Za-z0-9_\\u00C0-\\uFFFF]*", "<>", "<=", ">=", "[\\s\\S]"].join("|"), "g");

// Words of Jet's SQL this database does not read, and words with a part of
// their own here: none of them is a column without brackets.
var kReserved = {
  SELECT: 1, FROM: 1, WHERE: 1, ORDER: 1, BY: 1, ASC: 1, DESC: 1, AND: 1, OR: 1, NOT: 1, LIKE: 1, IN: 1,
  IS: 1, NULL: 1, BETWEEN: 1, TOP: 1, TRUE: 1, FALSE: 1, DISTINCT: 1, DISTINCTROW: 1, GROUP: 1,
  HAVING: 1, UNION: 1, JOIN: 1, INNER: 1, LEFT: 1, RIGHT: 1, OUTER: 1, ON: 1, AS: 1, SET: 1, INTO: 1,
  UPDATE: 1, DELETE: 1, INSERT: 1, VALUES: 1, ALL: 1, PERCENT: 1, EXISTS: 1, TRANSFORM: 1, PIVOT: 1,
  XOR: 1, EQV: 1, IMP: 1, MOD: 1
};

function SqlStatement(sql, tables, parameters, helper) {
  this.sql = sql;
  this.tables = tables;
  this.parameters = parameters;
  this.helper = helper;
  this.used = 0;
  this.tokens = [];
  this.position = 0;
}

// The checks the driver makes on the text before it parses it.
SqlStatement.prototype.checkText = function () {
  var sql = this.sql;
  // A bracketed name may hold quotes and question marks, a text brackets.
  var quotes = 0, placeholders = 0, inQuote = false, inName = false, opened = 0, closed = 0;
  for (var i = 0; i < sql.length; i++) {
    var c = sql.charAt(i);
    if (inName) {
      if (c == "]") {
        inName = false;
        closed++;
      }
    } else if (inQuote) {
      if (c == "'") {
        quotes++;
        inQuote = false;
      }
    } else if (c == "[") {
      inName = true;
      opened++;
    } else if (c == "]") {
      closed++;
    } else if (c == "'") {
      quotes++;
      inQuote = true;
    } else if (c == "?") {
      placeholders++;
    }
  }
  if (quotes % 2 != 0) throw new SqlError(kSyntaxError, "Syntax error in string in query expression: '" + sql + "'");
  if (opened != closed) throw new SqlError(kSyntaxError, "Invalid bracketing of name in '" + sql + "'");
  if (sql.indexOf(";") >= 0) {
    throw new SqlError(kSyntaxError, "Characters found after end of SQL statement: '" + sql + "'");
  }
  if (placeholders != this.parameters.length) {
    throw new SqlError(kMissingValue, "No value given for one or more required parameters (" + placeholders +
                       " placeholders, " + this.parameters.length + " parameters)");
  }
};

SqlStatement.prototype.tokenize = function () {
  kTokens.lastIndex = 0;
  var match;
  while ((match = kTokens.exec(this.sql)) !== null) {
    if (!/^\s+$/.test(match[0])) this.tokens.push(match[0]);
  }
};

SqlStatement.prototype.peek = function () {
  return this.position < this.tokens.length ? this.tokens[this.position] : "";
};

SqlStatement.prototype.isWord = function (word) {
  return this.peek().toUpperCase() == word;
};

SqlStatement.prototype.accept = function (word) {
  if (!this.isWord(word)) return false;
  this.position++;
  return true;
};

SqlStatement.prototype.expect = function (word) {
  if (!this.accept(word)) this.syntaxError("where " + word + " belongs");
};

SqlStatement.prototype.advance = function () {
  if (this.position >= this.tokens.length) this.syntaxError("at the end of the statement");
  return this.tokens[this.position++];
};

SqlStatement.prototype.syntaxError = function (where) {
  var met = this.position < this.tokens.length ? "'" + this.tokens[this.position] + "' " + where
                                                : "nothing more " + where;
  throw new SqlError(kSyntaxError, "Syntax error in query expression '" + this.sql + "': the test's database met " +
                     met + " (it reads SELECT [TOP n] *, columns or COUNT(*) FROM a table [WHERE a condition] " +
                     "[ORDER BY columns])");
};

// A name from its token: [name] or a plain name; "" for any other token.
SqlStatement.prototype.nameOf = function (token) {
  if (token.charAt(0) == "[") return token.substring(1, token.length - 1);
  if (/^[A-Za-z_\u00C0-\uFFFF]/.test(token) && !kReserved[token.toUpperCase()]) return token;
  return "";
};

// Jet takes a name that is no column for a parameter, and refuses the
// statement for want of its value.
SqlStatement.prototype.columnAt = function (name) {
  var index = this.table.columnIndex(name);
  if (index < 0) {
    throw new SqlError(kMissingValue, "Too few parameters. Expected 1. ('" + name + "' is no column of " +
                       this.table.name + ")");
  }
  return index;
};

SqlStatement.prototype.noBinary = function (node) {
  if (node.kind == "binary") {
    throw new SqlError(kSyntaxError, "Invalid use of the OLE Object column '" + this.table.names[node.column] +
                       "' in '" + this.sql + "'");
  }
};

SqlStatement.prototype.run = function () {
  this.checkText();
  this.tokenize();
  this.expect("SELECT");
  var top = 0;
  if (this.accept("TOP")) {
    if (!/^[0-9]+$/.test(this.peek())) this.syntaxError("where the number of rows TOP keeps belongs");
    top = parseInt(this.peek(), 10);
    if (top < 1) this.syntaxError("as the number of rows TOP keeps");
    this.position++;
  }
  var names = [], isCount = false;
  if (this.peek() == "*") {
    this.position++;
  } else if (this.isWord("COUNT")) {
    this.position++;
    if (this.advance() != "(" || this.advance() != "*" || this.advance() != ")") {
      this.position--;
      this.syntaxError("in COUNT(*)");
    }
    isCount = true;
  } else {
    do {
      if (this.nameOf(this.peek()) == "") this.syntaxError("where a column belongs");
      names.push(this.nameOf(this.advance()));
    } while (this.accept(","));
  }
  this.expect("FROM");
  var tableName = this.nameOf(this.peek());
  if (tableName == "") this.syntaxError("where the table belongs");
  this.position++;
  this.table = this.tables[tableName.toUpperCase()];
  if (!this.table) {
    throw new SqlError(kNoTable, "The Microsoft Jet database engine cannot find the input table or query '" +
                       tableName + "'. Make sure it exists and that its name is spelled correctly.");
  }
  var fields = [];
  for (var i = 0; i < (names.length ? names.length : this.table.names.length); i++) {
    fields.push(names.length ? this.columnAt(names[i]) : i);
  }
  var condition = null;
  if (this.accept("WHERE")) condition = this.parseOr();
  var order = [];
  if (this.accept("ORDER")) {
    this.expect("BY");
    do {
      if (this.nameOf(this.peek()) == "") this.syntaxError("where a column to sort by belongs");
      var column = this.columnAt(this.nameOf(this.advance()));
      this.noBinary({kind: this.table.kinds[column], column: column});
      var descending = this.accept("DESC");
      if (!descending) this.accept("ASC");
      order.push({column: column, descending: descending, isText: this.table.kinds[column] == "text"});
    } while (this.accept(","));
  }
  if (this.position < this.tokens.length) this.syntaxError("after the end of the statement it reads");
  var rows = this.select(condition, order, top);
  if (isCount) return {table: this.table.name, fields: [], how: "count", rows: [rows.length]};
  return {table: this.table.name, fields: fields, how: "rows", rows: rows};
};

SqlStatement.prototype.parseOr = function () {
  var node = this.parseAnd();
  while (this.accept("OR")) node = {op: "or", left: node, right: this.parseAnd()};
  return node;
};

SqlStatement.prototype.parseAnd = function () {
  var node = this.parseNot();
  while (this.accept("AND")) node = {op: "and", left: node, right: this.parseNot()};
  return node;
};

SqlStatement.prototype.parseNot = function () {
  if (this.accept("NOT")) return {op: "not", left: this.parseNot()};
  return this.parsePredicate();
};

SqlStatement.prototype.parsePredicate = function () {
  if (this.peek() == "(") {
    this.position++;
    var inner = this.parseOr();
    if (this.peek() != ")") this.syntaxError("where a closing parenthesis belongs");
    this.position++;
    return inner;
  }
  var left = this.parseOperand();
  var op = this.peek();
  if (op == "=" || op == "<>" || op == "<" || op == "<=" || op == ">" || op == ">=") {
    this.position++;
    var node = this.compared(left, this.parseOperand());
    node.op = op;
    return node;
  }
  var negated = this.accept("NOT");
  if (this.accept("LIKE")) {
    var pattern = this.parseOperand();
    this.noBinary(left);
    this.noBinary(pattern);
    node = {op: "like", left: left, right: pattern, negated: negated};
    if (pattern.op == "const") {
      node.matcher = isNull(pattern.value) ? null : likeExpression(this.constantText(pattern), this.sql);
    }
    return node;
  }
  if (this.accept("IN")) {
    if (this.peek() != "(") this.syntaxError("where IN's list belongs");
    this.position++;
    var items = [];
    do {
      var item = this.parseOperand();
      var isText = this.compared(left, item).isText;
      items.push(item);
    } while (this.accept(","));
    if (this.peek() != ")") this.syntaxError("where IN's list ends");
    this.position++;
    return {op: "in", left: left, items: items, isText: isText, negated: negated};
  }
  if (this.accept("BETWEEN")) {
    var low = this.parseOperand();
    this.expect("AND");
    var high = this.parseOperand();
    this.compared(left, high);
    node = this.compared(left, low);
    node.op = "between";
    node.third = high;
    node.negated = negated;
    return node;
  }
  if (!negated && this.accept("IS")) {
    negated = this.accept("NOT");
    this.expect("NULL");
    return {op: "isnull", left: left, negated: negated};
  }
  this.syntaxError("where a comparison belongs");
};

// Two operands Jet can compare: text with text, numbers, dates and Yes/No
// with one another, Null with anything.
SqlStatement.prototype.compared = function (left, right) {
  this.noBinary(left);
  this.noBinary(right);
  if (left.kind != "null" && right.kind != "null" && (left.kind == "text") != (right.kind == "text")) {
    throw new SqlError(kTypeMismatch, "Data type mismatch in criteria expression. (" + left.kind +
                       " compared with " + right.kind + " in '" + this.sql + "')");
  }
  return {left: left, right: right, isText: left.kind == "text" || right.kind == "text"};
};

// Operands joined by &: text, Null taken as empty text.
SqlStatement.prototype.parseOperand = function () {
  var node = this.parseTerm();
  if (this.peek() != "&") return node;
  var parts = [node];
  while (this.peek() == "&") {
    this.position++;
    parts.push(this.parseTerm());
  }
  var constant = true;
  for (var i = 0; i < parts.length; i++) {
    this.noBinary(parts[i]);
    if (parts[i].op != "const") constant = false;
  }
  if (!constant) return {op: "concat", kind: "text", parts: parts};
  var text = [];
  for (i = 0; i < parts.length; i++) {
    if (!isNull(parts[i].value)) text.push(this.constantText(parts[i]));
  }
  return {op: "const", kind: "text", value: text.join("")};
};

// A constant's text as Jet writes it (the VBScript side knows the locale).
SqlStatement.prototype.constantText = function (node) {
  if (node.kind == "text") return node.value;
  return String(this.helper.ConstantText(node.value, node.kind));
};

SqlStatement.prototype.parseTerm = function () {
  var token = this.advance();
  var first = token.charAt(0);
  if (token == "?") {
    var parameter = this.parameters[this.used++];
    return {op: "const", kind: parameter.kind, value: isNull(parameter.value) ? null : parameter.value};
  }
  if (first == "'") return {op: "const", kind: "text", value: token.substring(1, token.length - 1).replace(/''/g, "'")};
  if (first == "#") return {op: "const", kind: "date", value: this.dateLiteral(token.substring(1, token.length - 1))};
  if (token == "-") {
    if (!/^[0-9.]/.test(this.peek())) this.syntaxError("after a minus sign");
    return {op: "const", kind: "number", value: -parseFloat(this.advance())};
  }
  if (/^[0-9.]/.test(token)) return {op: "const", kind: "number", value: parseFloat(token)};
  var word = token.toUpperCase();
  if (word == "TRUE") return {op: "const", kind: "bool", value: -1};
  if (word == "FALSE") return {op: "const", kind: "bool", value: 0};
  if (word == "NULL") return {op: "const", kind: "null", value: null};
  this.position--;
  if (word == "CHRW") {
    this.position++;
    if (this.advance() != "(" || !/^[0-9]+$/.test(this.peek())) {
      this.position--;
      this.syntaxError("in ChrW(code)");
    }
    var code = parseInt(this.advance(), 10);
    if (this.peek() != ")") this.syntaxError("after ChrW's character code");
    this.position++;
    return {op: "const", kind: "text", value: String.fromCharCode(code)};
  }
  var name = this.nameOf(token);
  if (name == "") this.syntaxError("where an operand belongs");
  if (first != "[" && this.tokens[this.position + 1] == "(") {
    this.syntaxError("as a function: the only function the test's database reads is ChrW");
  }
  this.position++;
  var column = this.columnAt(name);
  return {op: "column", kind: this.table.kinds[column], column: column};
};

// A Jet date literal: year-month-day or month/day/year (whatever the
// locale), either with an optional 24-hour time, or a time alone.
SqlStatement.prototype.dateLiteral = function (text) {
  var isoDate = "([0-9]{4})-([0-9]{1,2})-([0-9]{1,2})", usDate = "([0-9]{1,2})/([0-9]{1,2})/([0-9]{2}|[0-9]{4})";
  var time = "([0-9]{1,2}):([0-9]{2})(?::([0-9]{2}))?";
  var parts = new RegExp("^\\s*(?:(?:" + isoDate + "|" + usDate + ")(?:\\s+|$))?(?:" + time + ")?\\s*$").exec(text);
  var bad = new SqlError(kSyntaxError, "Syntax error in date in query expression '#" + text + "#' in '" +
                         this.sql + "'");
  if (!parts || /^\s*$/.test(text)) throw bad;
  var year = 1899, month = 12, day = 30;
  if (parts[1]) {
    year = parseInt(parts[1], 10);
    month = parseInt(parts[2], 10);
    day = parseInt(parts[3], 10);
  } else if (parts[4]) {
    month = parseInt(parts[4], 10);
    day = parseInt(parts[5], 10);
    year = parseInt(parts[6], 10);
    // Two digits: 00 to 29 are this century, 30 to 99 the last.
    if (parts[6].length == 2) year += year < 30 ? 2000 : 1900;
  }
  var hour = parts[7] ? parseInt(parts[7], 10) : 0;
  var minute = parts[8] ? parseInt(parts[8], 10) : 0;
  var second = parts[9] ? parseInt(parts[9], 10) : 0;
  if (month < 1 || month > 12 || day < 1 || hour > 23 || minute > 59 || second > 59 || year < 100) throw bad;
  var value = this.helper.DayNumber(year, month, day, hour, minute, second);
  if (isNull(value)) throw bad;
  return value;
};

// ------------------------------------------------------------------ running

// A node as a function of the row's values and Jet texts (compiled once,
// as Wine's JScript is slow at walking a tree for every row): true, false
// or null for a condition.
SqlStatement.prototype.compile = function (node) {
  var self = this;
  switch (node.op) {
    case "column":
      var column = node.column;
      return function (values) {
        var value = values[column];
        return value === undefined ? null : value;
      };
    case "const":
      var constant = node.value;
      return function () {
        return constant;
      };
    case "and":
    case "or":
      var parts = [];
      this.flatten(node, node.op, parts);
      // SQL's three values: one false part decides AND, one true part OR;
      // otherwise an unknown part leaves the whole unknown.
      var decisive = node.op == "or";
      return function (values, texts) {
        var unknown = false;
        for (var i = 0; i < parts.length; i++) {
          var a = parts[i](values, texts);
          if (a === decisive) return decisive;
          if (a === null) unknown = true;
        }
        return unknown ? null : !decisive;
      };
    case "not":
      var inner = this.compile(node.left);
      return function (values, texts) {
        return not3(inner(values, texts));
      };
    case "isnull":
      var operand = this.compile(node.left), negatedNull = node.negated;
      return function (values, texts) {
        var a = operand(values, texts) === null;
        return negatedNull ? !a : a;
      };
    case "like":
      return this.compileLike(node);
    case "in":
      var left = this.compile(node.left), items = [], isText = node.isText, negatedIn = node.negated;
      for (var i = 0; i < node.items.length; i++) items.push(this.compile(node.items[i]));
      return function (values, texts) {
        var a = left(values, texts);
        if (a === null) return null;
        var found = false;
        for (var i = 0; i < items.length; i++) {
          var b = items[i](values, texts);
          if (b === null) {
            found = null;
          } else if (valueOrder(a, b, isText) == 0) {
            found = true;
            break;
          }
        }
        return negatedIn ? not3(found) : found;
      };
    case "between":
      var value = this.compile(node.left), low = this.compile(node.right), high = this.compile(node.third);
      var textBetween = node.isText, negatedBetween = node.negated;
      return function (values, texts) {
        var a = value(values, texts), b = low(values, texts), c = high(values, texts);
        if (a === null || b === null || c === null) return null;
        if (valueOrder(b, c, textBetween) > 0) {
          var swap = b;
          b = c;
          c = swap;
        }
        var inside = valueOrder(a, b, textBetween) >= 0 && valueOrder(a, c, textBetween) <= 0;
        return negatedBetween ? !inside : inside;
      };
    case "concat":
      var pieces = [];
      for (i = 0; i < node.parts.length; i++) pieces.push(this.textGetter(node.parts[i]));
      return function (values, texts) {
        var text = [];
        for (var i = 0; i < pieces.length; i++) {
          var piece = pieces[i](values, texts);
          if (piece !== null) text.push(piece);
        }
        return text.join("");
      };
    default:
      var first = this.compile(node.left), second = this.compile(node.right), textCompare = node.isText;
      var test = {"=": function (c) { return c == 0; }, "<>": function (c) { return c != 0; },
                  "<": function (c) { return c < 0; }, "<=": function (c) { return c <= 0; },
                  ">": function (c) { return c > 0; }, ">=": function (c) { return c >= 0; }}[node.op];
      return function (values, texts) {
        var a = first(values, texts);
        if (a === null) return null;
        var b = second(values, texts);
        if (b === null) return null;
        return test(valueOrder(a, b, textCompare));
      };
  }
};

// The parts of a chain of one operator, so that a long OR is one loop.
SqlStatement.prototype.flatten = function (node, op, parts) {
  if (node.op == op) {
    this.flatten(node.left, op, parts);
    this.flatten(node.right, op, parts);
  } else {
    parts.push(this.compile(node));
  }
};

// An operand's text as Jet gives it (null for Null): a number, date or
// Yes/No column's as the VBScript side wrote it under the server's locale.
SqlStatement.prototype.textGetter = function (node) {
  var value = this.compile(node);
  if (node.kind == "text" || node.kind == "null") return value;
  if (node.op == "column") {
    var column = node.column;
    return function (values, texts) {
      return isNull(values[column]) ? null : texts[column];
    };
  }
  var text = isNull(node.value) ? null : this.constantText(node);
  return function () {
    return text;
  };
};

SqlStatement.prototype.compileLike = function (node) {
  var text = this.textGetter(node.left), negated = node.negated, sql = this.sql;
  var matcher = node.matcher;
  if (matcher === null) {
    return function () {
      return null;
    };
  }
  var pattern = matcher === undefined ? this.textGetter(node.right) : null;
  return function (values, texts) {
    var a = text(values, texts);
    if (a === null) return null;
    var expression = matcher;
    if (pattern !== null) {
      var b = pattern(values, texts);
      if (b === null) return null;
      expression = likeExpression(b, sql);
    }
    var found = expression.test(a);
    return negated ? !found : found;
  };
};

// A number as text that sorts as the number does: sign, exponent, digits.
function numberKey(n) {
  if (n === 0) return "1";
  var text = Math.abs(n).toExponential(16);
  var at = text.indexOf("e");
  var digits = [("000" + (parseInt(text.substring(at + 1), 10) + 500)).slice(-3), text.charAt(0),
                text.substring(2, at)].join("");
  if (n > 0) return "2" + digits;
  var out = ["0"];
  for (var i = 0; i < digits.length; i++) out.push(String.fromCharCode(105 - digits.charCodeAt(i)));
  return out.join("");
}

// A value as text that sorts in Jet's order (Null first, text without
// regard to case), turned round for a descending column. Texts that are
// compared are joined from arrays: Wine's engine misorders texts built up
// with + piece by piece.
function sortKey(value, isText, descending) {
  var key;
  if (isNull(value)) {
    key = "\u0002";
  } else if (isText) {
    key = "\u0003" + String(value).toUpperCase() + "\u0001";
  } else {
    key = "\u0003" + numberKey(numberOf(value));
  }
  if (!descending) return key;
  var out = [];
  for (var i = 0; i < key.length; i++) out.push(String.fromCharCode(0xFFFF - key.charCodeAt(i)));
  return out.join("");
}

// Whether two sort texts tie, the row numbers at their ends left out.
function sameOrder(a, b) {
  if (a.length != b.length) return false;
  for (var i = 0; i < a.length - 9; i++) {
    if (a.charCodeAt(i) != b.charCodeAt(i)) return false;
  }
  return true;
}

// The numbers of the rows that meet the condition, sorted (equal rows in
// their order), cut to top and the rows tied with the last one kept. The
// sort goes by one text per row, which the engine's own sort orders fast.
SqlStatement.prototype.select = function (condition, order, top) {
  var table = this.table;
  var test = condition === null ? null : this.compile(condition);
  var kept = [];
  for (var row = 0; row < table.rows.length; row++) {
    if (table.deleted[row]) continue;
    if (test === null || test(table.rows[row], table.texts[row]) === true) kept.push(row);
  }
  if (order.length == 0) return top > 0 && top < kept.length ? kept.slice(0, top) : kept;
  var keys = [];
  for (var i = 0; i < kept.length; i++) {
    var values = table.rows[kept[i]], key = [];
    for (var j = 0; j < order.length; j++) {
      key.push(sortKey(values[order[j].column], order[j].isText, order[j].descending));
    }
    key.push("\u0001", ("0000000" + kept[i]).slice(-8));
    keys.push(key.join(""));
  }
  keys.sort();
  var cut = keys.length;
  if (top > 0 && top < cut) {
    cut = top;
    while (cut < keys.length && sameOrder(keys[cut - 1], keys[cut])) cut++;
  }
  var sorted = [];
  for (i = 0; i < cut; i++) sorted.push(parseInt(keys[i].slice(-8), 10));
  return sorted;
};
