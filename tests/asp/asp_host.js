// Runs translated ASP pages in Wine's VBScript engine, one after the other:
//   wine cscript //nologo //B asp_host.js JOBS
// JOBS is a UTF-16LE file with one job per line: the program file, a tab,
// the result file. Each program (UTF-16LE) runs in a fresh script control with
// HarnessSink as its only outside object. cscript itself swallows script
// errors, so the outcome of every page, its error included, goes into its
// result file (UTF-16LE): "status", "error.*", "event" and "output" lines,
// tab-separated, with backslash, tab, CR and LF escaped.

var fso = new ActiveXObject("Scripting.FileSystemObject");
var kUnicode = -1;
var kForReading = 1;
var kForWriting = 2;
var kEndNumber = -2147213727;  // HarnessEndNumber in asp_mocks.vbs
var kMaxEvents = 20000;

function readUnicode(path) {
  var stream = fso.OpenTextFile(path, kForReading, false, kUnicode);
  var text = stream.AtEndOfStream ? "" : stream.ReadAll();
  stream.Close();
  return text;
}

function writeUnicode(path, text) {
  var stream = fso.OpenTextFile(path, kForWriting, true, kUnicode);
  stream.Write(text);
  stream.Close();
}

function escapeField(text) {
  return String(text).replace(/\\/g, "\\\\").replace(/\t/g, "\\t").replace(/\r/g, "\\r").replace(/\n/g, "\\n");
}

function hex2(n) {
  var digits = "0123456789ABCDEF";
  return "%" + digits.charAt((n >> 4) & 15) + digits.charAt(n & 15);
}

// Server.URLEncode as IIS does it: letters and digits stay, a blank becomes
// "+", every other byte of the page's code page becomes %XX.
function urlEncode(text, codePage) {
  var out = "";
  for (var i = 0; i < text.length; i++) {
    var c = text.charCodeAt(i);
    if ((c >= 48 && c <= 57) || (c >= 65 && c <= 90) || (c >= 97 && c <= 122)) {
      out += text.charAt(i);
    } else if (c == 32) {
      out += "+";
    } else if (c < 128) {
      out += hex2(c);
    } else if (codePage != 65001) {
      out += c < 256 ? hex2(c) : "%3F";
    } else {
      if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.length) {
        var low = text.charCodeAt(i + 1);
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        i++;
      }
      if (c < 0x800) {
        out += hex2(0xC0 | (c >> 6)) + hex2(0x80 | (c & 63));
      } else if (c < 0x10000) {
        out += hex2(0xE0 | (c >> 12)) + hex2(0x80 | ((c >> 6) & 63)) + hex2(0x80 | (c & 63));
      } else {
        out += hex2(0xF0 | (c >> 18)) + hex2(0x80 | ((c >> 12) & 63)) +
               hex2(0x80 | ((c >> 6) & 63)) + hex2(0x80 | (c & 63));
      }
    }
  }
  return out;
}

function Sink() {
  this.events = [];
  this.output = [];
  this.count = 0;
}
// A page that loops for ever is stopped; the fault says why (the engine
// passes a host's exception on without its text).
Sink.prototype.tick = function () {
  this.count++;
  if (this.count == kMaxEvents) {
    this.events.push("event\tfault\tRunaway page: more than " + kMaxEvents + " recorded calls");
  }
  if (this.count >= kMaxEvents) {
    throw new Error("Runaway page");
  }
};
Sink.prototype.add = function (kind, detail) {
  this.tick();
  this.events.push("event\t" + escapeField(kind) + "\t" + escapeField(detail));
  return 0;
};
Sink.prototype.write = function (text) {
  this.tick();
  this.output.push(String(text));
  return 0;
};
Sink.prototype.clearOutput = function () {
  this.output = [];
  return 0;
};
Sink.prototype.urlEncode = function (text, codePage) {
  return urlEncode(String(text), codePage);
};
// AscW: the first UTF-16 code unit, from -32768 to 32767 as VBScript gives it.
Sink.prototype.charCode = function (text) {
  var code = String(text).charCodeAt(0);
  return code > 32767 ? code - 65536 : code;
};
// ChrW, which Wine's engine lacks: the character of a UTF-16 code unit
// (negative codes count from 65536, as in VBScript).
Sink.prototype.fromCharCode = function (code) {
  return String.fromCharCode(code < 0 ? code + 65536 : code);
};
// A random GUID's 36 characters, as Scriptlet.TypeLib makes them.
Sink.prototype.newGuid = function () {
  var hex = "0123456789ABCDEF";
  var out = "";
  for (var i = 0; i < 32; i++) {
    if (i == 8 || i == 12 || i == 16 || i == 20) out += "-";
    out += hex.charAt(Math.floor(Math.random() * 16));
  }
  return out;
};

function runJob(programPath, resultPath) {
  var sink = new Sink();
  var lines = [];
  var status = "ok";
  var control = new ActiveXObject("MSScriptControl.ScriptControl");
  control.Language = "VBScript";
  control.AllowUI = false;
  control.AddObject("HarnessSink", sink, false);
  try {
    control.AddCode(readUnicode(programPath));
  } catch (e) {
    var error = control.Error;
    if (error.Number == kEndNumber) {
      status = "ended";
    } else {
      status = "error";
      lines.push("error.number\t" + error.Number);
      lines.push("error.line\t" + error.Line);
      lines.push("error.column\t" + error.Column);
      lines.push("error.description\t" + escapeField(error.Description));
      lines.push("error.source\t" + escapeField(error.Source));
      lines.push("error.host\t" + escapeField(e.message));
    }
  }
  lines.unshift("status\t" + status);
  lines = lines.concat(sink.events);
  lines.push("output\t" + escapeField(sink.output.join("")));
  writeUnicode(resultPath, lines.join("\n") + "\n");
}

// The stand-in database's SQL engine, beside this file, added to Sink.
function readEngine() {
  var path = fso.BuildPath(fso.GetParentFolderName(WScript.ScriptFullName), "asp_sql.js");
  var stream = fso.OpenTextFile(path, kForReading);
  var text = stream.ReadAll();
  stream.Close();
  return text;
}
eval(readEngine());

var jobs = readUnicode(WScript.Arguments(0)).split(/\r?\n/);
for (var j = 0; j < jobs.length; j++) {
  if (jobs[j] == "") continue;
  var parts = jobs[j].split("\t");
  try {
    runJob(parts[0], parts[1]);
  } catch (e) {
    writeUnicode(parts[1], "status\thost-failure\nerror.host\t" + escapeField(e.message) + "\n");
  }
}
