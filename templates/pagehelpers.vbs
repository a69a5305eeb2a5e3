' The VBScript helpers of the pages FERULO generates, kept in one place. Each
' page gets, in a script block at its end, the helpers it uses that its
' template does not define itself: a template that defines one keeps its own.
' Only Function, Sub, Class and Dim (of one variable) stand at the top level
' here, since anything else would run at the end of every page; a helper's
' comment stands right above it. The run fills the markers of the table's
' name (TABLE), the page base name (PAGEBASE), the record key (KEYS) and the
' lookups (LOOKUPS) here as in the templates, each as a script expression.
'
' SPDX-License-Identifier: MIT-0
' These helpers, like the templates and the pages made from them, carry no
' conditions: use, change and ship them freely.

' ---------------------------------------------------------------- urls

' A page name as a relative URL that stays intact inside any HTML attribute.
Function PagePath(pageName)
  PagePath = Replace(pageName, "%", "%25")
  PagePath = Replace(PagePath, " ", "%20")
  PagePath = Replace(PagePath, "#", "%23")
  PagePath = Replace(PagePath, "?", "%3F")
  PagePath = Replace(PagePath, "&", "%26")
  PagePath = Replace(PagePath, "'", "%27")
  PagePath = Replace(PagePath, """", "%22")
  PagePath = Replace(PagePath, "<", "%3C")
  PagePath = Replace(PagePath, ">", "%3E")
End Function

' ---------------------------------------------------------------- types

' Binary data (OLE Object, binary) and values no text can hold (attachments,
' arrays): shown by size, never searched, sorted or written from a form.
' -1 stands for a column the table lacks.
Function IsBinaryType(columnType)
  Select Case columnType
    Case 9, 13, 128, 132, 136, 138, 204, 205
      IsBinaryType = True
    Case Else
      IsBinaryType = columnType > 0 And (columnType And &H2000) <> 0
  End Select
End Function

Function IsNumberType(columnType)
  Select Case columnType
    Case 2, 3, 4, 5, 6, 14, 16, 17, 18, 19, 20, 21, 131, 139
      IsNumberType = True
    Case Else
      IsNumberType = False
  End Select
End Function

Function IsDateType(columnType)
  Select Case columnType
    Case 7, 133, 134, 135
      IsDateType = True
    Case Else
      IsDateType = False
  End Select
End Function

Function IsTextType(columnType)
  Select Case columnType
    Case 8, 129, 130, 200, 201, 202, 203
      IsTextType = True
    Case Else
      IsTextType = False
  End Select
End Function

' ---------------------------------------------------------------- values

' The pages show and read values by one rule, whatever the server's locale:
' numbers with a point and no grouping (1234.5), dates as year-month-day
' with a 24-hour time where there is one (2024-01-31 14:05:00), a time of
' day alone as 14:05:00, binary data as its size. A value read back from a
' form is converted here, never by the database driver under its locale.

Function FieldText(field)
  Dim value
  If IsBinaryType(field.Type) Then
    FieldText = BinaryText(field)
    Exit Function
  End If
  value = field.Value
  If IsNull(value) Then
    FieldText = ""
  ElseIf IsDateType(field.Type) Then
    FieldText = DateText(value)
  ElseIf field.Type = 11 Then
    If value Then FieldText = "True" Else FieldText = "False"
  ElseIf IsNumberType(field.Type) Then
    FieldText = NumberText(value)
  Else
    FieldText = value & ""
  End If
End Function

' CStr writes the locale's decimal separator and never groups digits.
Function NumberText(value)
  NumberText = Replace(CStr(value), Mid(CStr(1.5), 2, 1), ".")
End Function

' Access keeps a time of day alone on 1899-12-30.
Function DateText(value)
  Dim timeOfDay
  timeOfDay = Right("0" & Hour(value), 2) & ":" & Right("0" & Minute(value), 2) & ":" & Right("0" & Second(value), 2)
  If Year(value) = 1899 And Month(value) = 12 And Day(value) = 30 Then
    DateText = timeOfDay
    Exit Function
  End If
  DateText = Right("000" & Year(value), 4) & "-" & Right("0" & Month(value), 2) & "-" & Right("0" & Day(value), 2)
  If timeOfDay <> "00:00:00" Then DateText = DateText & " " & timeOfDay
End Function

' A provider that cannot tell the size gives -1.
Function BinaryText(field)
  Dim size
  BinaryText = ""
  If IsNull(field.Value) Then Exit Function
  size = field.ActualSize
  If size < 0 Then
    BinaryText = "[binary data]"
  ElseIf size < 1024 Then
    BinaryText = "[binary data, " & size & " bytes]"
  Else
    BinaryText = "[binary data, " & Int((size + 512) / 1024) & " KB]"
  End If
End Function

' ---------------------------------------------------------------- numbers

Function Matched(pattern, text)
  Dim expression
  Set expression = New RegExp
  expression.Pattern = pattern
  Set Matched = expression.Execute(text)
End Function

' The parts of a decimal number's text (sign, whole digits, fraction
' digits, exponent), or Nothing where the text is no such number.
Function DecimalParts(text)
  Dim parts
  Set DecimalParts = Nothing
  Set parts = Matched("^([+-]?)([0-9]*)(?:\.([0-9]*))?(?:[eE]([+-]?[0-9]{1,3}))?$", text)
  If parts.Count = 0 Then Exit Function
  Set parts = parts.Item(0).SubMatches
  If parts.Item(1) & parts.Item(2) <> "" Then Set DecimalParts = parts
End Function

' Digits alone read the same under every locale, so the number is built
' from them: the digits of the mantissa scaled by a power of ten. Null
' where that is beyond a Double.
Function ScaledNumber(parts)
  Dim number, power
  power = -Len(parts.Item(2) & "")
  If parts.Item(3) & "" <> "" Then power = power + CInt(parts.Item(3))
  On Error Resume Next
  number = CDbl(parts.Item(1) & parts.Item(2))
  If power >= 0 Then number = number * 10 ^ power Else number = number / 10 ^ (-power)
  If Err.Number <> 0 Then number = Null
  Err.Clear
  On Error GoTo 0
  If parts.Item(0) = "-" Then number = -number
  ScaledNumber = number
End Function

' The number a decimal text stands for, or Null, as the edit page reads it.
Function DecimalNumber(text)
  Dim parts
  DecimalNumber = Null
  Set parts = DecimalParts(text)
  If Not parts Is Nothing Then DecimalNumber = ScaledNumber(parts)
End Function

' A Double as a text that reads back as exactly the same number. CStr's 15
' digits do for most; a Double can need 17, so the others are found among
' the 17-digit texts next to CStr's.
Function ExactNumberText(value)
  Dim parts, digits, exponent, high, low, offset, direction, candidate
  ExactNumberText = NumberText(value)
  If DecimalNumber(ExactNumberText) = value Then Exit Function
  Set parts = DecimalParts(ExactNumberText)
  If parts Is Nothing Then Exit Function
  digits = parts.Item(1) & parts.Item(2)
  exponent = -Len(parts.Item(2) & "")
  If parts.Item(3) & "" <> "" Then exponent = exponent + CInt(parts.Item(3))
  Do While Len(digits) > 1 And Left(digits, 1) = "0"
    digits = Mid(digits, 2)
  Loop
  If Len(digits) > 17 Then Exit Function
  exponent = exponent - (17 - Len(digits))
  digits = Left(digits & "0000000000000000", 17)
  high = CDbl(Left(digits, 12))
  low = CLng(Right(digits, 5))
  For offset = 1 To 60
    For Each direction In Array(1, -1)
      candidate = DigitsText(high, low + direction * offset)
      If candidate <> "" Then
        candidate = parts.Item(0) & candidate & "e" & exponent
        If DecimalNumber(candidate) = value Then
          ExactNumberText = candidate
          Exit Function
        End If
      End If
    Next
  Next
End Function

' The digits of high * 100000 + low, where low may have run a little past
' 0 or 99999; "" where the number would be negative.
Function DigitsText(high, low)
  Dim carry
  DigitsText = ""
  carry = 0
  If low < 0 Then carry = -1
  If low > 99999 Then carry = 1
  If high + carry < 0 Then Exit Function
  DigitsText = CStr(high + carry) & Right("0000" & (low - carry * 100000), 5)
End Function

' ---------------------------------------------------------------- dates

' Before 1899-12-30 the time of day counts away from zero.
Function DateFromParts(dayPart, timePart)
  If CDbl(dayPart) < 0 Then
    DateFromParts = CDate(CDbl(dayPart) - CDbl(timePart))
  Else
    DateFromParts = CDate(CDbl(dayPart) + CDbl(timePart))
  End If
End Function

' Whether DateText writes the date as it is: to the second, from year 100.
Function DateTextIsExact(value)
  DateTextIsExact = False
  If Year(value) < 100 Then Exit Function
  DateTextIsExact = (CDbl(DateFromParts(DateSerial(Year(value), Month(value), Day(value)), _
    TimeSerial(Hour(value), Minute(value), Second(value)))) = CDbl(value))
End Function

' ---------------------------------------------------------------- exact values

' A value as text that reads back as exactly the same value, as an edit link
' names its record and a form remembers what it showed: a number by the rule
' above with the digits it needs, a date by the rule above or, where it
' holds a fraction of a second, as the number Access keeps it as.
Function ExactText(field)
  Dim value
  ExactText = FieldText(field)
  If IsBinaryType(field.Type) Then Exit Function
  value = field.Value
  If IsNull(value) Then
    ExactText = ""
  ElseIf field.Type = 4 Or field.Type = 5 Then
    ExactText = ExactNumberText(CDbl(value))
  ElseIf IsDateType(field.Type) Then
    If DateTextIsExact(value) Then ExactText = DateText(value) Else ExactText = ExactNumberText(CDbl(value))
  Else
    ExactText = FieldText(field)
  End If
End Function

' ---------------------------------------------------------------- parsing

' The value text stands for in field's column, by the rules of FieldText,
' into value; returns "" or a sentence naming the column and what is wrong.
Function ParseInput(field, text, value)
  ParseInput = ""
  If field.Type = 11 Then
    value = YesNoValue(text)
    If VarType(value) <> vbBoolean Then ParseInput = Refused(field.Name, text, "is not Yes or No.")
  ElseIf IsNumberType(field.Type) Or IsDateType(field.Type) Then
    If Trim(text) = "" Then
      value = Null
    ElseIf IsDateType(field.Type) Then
      ParseInput = ParseDate(field.Name, Trim(text), value)
    Else
      ParseInput = ParseNumber(field.Name, field.Type, Trim(text), value)
    End If
  ElseIf text <> "" Then
    value = text
  ElseIf IsTextType(field.Type) And (field.Attributes And &H60) = 0 Then
    ' A text column that refuses Null takes a zero-length text.
    value = ""
  Else
    value = Null
  End If
End Function

Function Refused(name, text, why)
  Refused = "The value """ & text & """ for " & name & " " & why
End Function

' The number text stands for, typed for a column of columnType, into value;
' returns "" or a sentence naming the column (name) and what is wrong.
Function ParseNumber(name, columnType, text, value)
  Dim parts, number, low, high
  ParseNumber = ""
  Set parts = DecimalParts(text)
  If parts Is Nothing Then
    ParseNumber = Refused(name, text, "is not a number: write it with a point and no grouping, like 1234.5.")
    Exit Function
  End If
  If IntegerRange(columnType, low, high) And (parts.Item(2) & parts.Item(3) <> "" Or InStr(text, ".") > 0) Then
    ParseNumber = Refused(name, text, "is not a whole number.")
    Exit Function
  End If
  number = ScaledNumber(parts)
  If IsNull(number) Then
    ParseNumber = Refused(name, text, "is out of range.")
    Exit Function
  End If
  If IntegerRange(columnType, low, high) Then
    If number < low Or number > high Then
      ParseNumber = Refused(name, text, "is out of range (" & NumberText(low) & " to " & NumberText(high) & ").")
    ElseIf number >= -2147483648 And number <= 2147483647 Then
      value = CLng(number)
    Else
      value = number
    End If
  ElseIf columnType = 6 Then
    If Abs(number) > 922337203685477 Then ParseNumber = Refused(name, text, "is out of range.") Else value = CCur(number)
  ElseIf columnType = 4 Then
    If Abs(number) > 3.402823E+38 Then ParseNumber = Refused(name, text, "is out of range.") Else value = CSng(number)
  Else
    value = number
  End If
End Function

' Whether columnType holds whole numbers, and their range (64-bit ones as
' far as a Double holds them exactly).
Function IntegerRange(columnType, low, high)
  IntegerRange = True
  Select Case columnType
    Case 16
      low = -128 : high = 127
    Case 17
      low = 0 : high = 255
    Case 2
      low = -32768 : high = 32767
    Case 18
      low = 0 : high = 65535
    Case 3
      low = -2147483648 : high = 2147483647
    Case 19
      low = 0 : high = 4294967295
    Case 20
      low = -9007199254740992 : high = 9007199254740992
    Case 21
      low = 0 : high = 9007199254740992
    Case Else
      IntegerRange = False
  End Select
End Function

' The date or moment text stands for into value: a day (2024-01-31), a day
' and a time (2024-01-31 14:05, 2024-01-31 14:05:30) or a time of day alone;
' returns "" or a sentence naming the column (name) and what is wrong.
Function ParseDate(name, text, value)
  Dim parts
  ParseDate = Refused(name, text, "is not a date: write it as year-month-day with an optional 24-hour time, like 2024-01-31 or 2024-01-31 14:05.")
  parts = DateParts(text)
  If IsEmpty(parts) Then Exit Function
  value = DateFromParts(parts(0), parts(1))
  ParseDate = ""
End Function

' The day (0 where there is none) and the time of day of a date's text,
' and how far the text goes: Array(day, time, "day", "minute" or "second");
' Empty where it is no date.
Function DateParts(text)
  Dim parts, dayPart, timePart, precision
  DateParts = Empty
  Set parts = Matched("^(?:([0-9]{1,4})-([0-9]{1,2})-([0-9]{1,2}))?(?:(?:^|[ T]+)([0-9]{1,2}):([0-9]{2})(?::([0-9]{2}))?)?$", text)
  If parts.Count = 0 Or text = "" Then Exit Function
  Set parts = parts.Item(0).SubMatches
  dayPart = 0
  timePart = 0
  precision = "day"
  If parts.Item(0) & "" <> "" Then
    If CInt(parts.Item(0)) < 100 Then Exit Function
    dayPart = DateSerial(CInt(parts.Item(0)), CInt(parts.Item(1)), CInt(parts.Item(2)))
    If Month(dayPart) <> CInt(parts.Item(1)) Or Day(dayPart) <> CInt(parts.Item(2)) Then Exit Function
  End If
  If parts.Item(3) & "" <> "" Then
    If CInt(parts.Item(3)) > 23 Or CInt(parts.Item(4)) > 59 Or CInt("0" & parts.Item(5)) > 59 Then Exit Function
    timePart = TimeSerial(CInt(parts.Item(3)), CInt(parts.Item(4)), CInt("0" & parts.Item(5)))
    If parts.Item(5) & "" = "" Then precision = "minute" Else precision = "second"
  End If
  DateParts = Array(dayPart, timePart, precision)
End Function

' A value of the record key, as the list page writes it into the edit link:
' by the rules of a form value, or for a date that holds a fraction of a
' second, the number Access keeps it as. Returns "" or why it is no key.
Function ParseKey(field, text, value)
  Dim number
  ParseKey = "binary data is no key"
  If IsBinaryType(field.Type) Then Exit Function
  ParseKey = ParseInput(field, text, value)
  If ParseKey <> "" And IsDateType(field.Type) Then
    number = DecimalNumber(text)
    If Not IsNull(number) Then
      If number > -657435 And number < 2958466 Then
        value = CDate(number)
        ParseKey = ""
      End If
    End If
  End If
  If ParseKey = "" And IsNull(value) Then ParseKey = "no value"
End Function

Function YesNoValue(text)
  Select Case LCase(Trim(text))
    Case "", "false", "0", "no", "off"
      YesNoValue = False
    Case "true", "-1", "1", "yes", "on"
      YesNoValue = True
    Case Else
      YesNoValue = text
  End Select
End Function

' ---------------------------------------------------------------- sql

' Text as a LIKE pattern that matches itself alone: Jet's and ODBC's
' wildcards in brackets.
Function LikePattern(text)
  Dim i, c
  LikePattern = ""
  For i = 1 To Len(text)
    c = Mid(text, i, 1)
    Select Case c
      Case "[", "%", "_", "*", "?", "#"
        LikePattern = LikePattern & "[" & c & "]"
      Case Else
        LikePattern = LikePattern & c
    End Select
  Next
End Function

' Text as it stands inside a SQL text literal '...': quotes doubled, and
' every character outside printable ASCII joined in as ChrW(code), so the
' statement itself is plain ASCII, which every ANSI code page keeps as it
' is: no conversion of the driver's can turn a character into a quote that
' ends the literal.
Function LiteralBody(text)
  Dim i, c, code, inLiteral
  LiteralBody = ""
  inLiteral = True
  For i = 1 To Len(text)
    c = Mid(text, i, 1)
    code = AscW(c) And &HFFFF&
    If code < 32 Or code > 126 Then
      If inLiteral Then LiteralBody = LiteralBody & "'"
      LiteralBody = LiteralBody & " & ChrW(" & code & ")"
      inLiteral = False
    Else
      If Not inLiteral Then LiteralBody = LiteralBody & " & '"
      inLiteral = True
      If c = "'" Then LiteralBody = LiteralBody & "''" Else LiteralBody = LiteralBody & c
    End If
  Next
  If Not inLiteral Then LiteralBody = LiteralBody & " & '"
End Function

' Text typed by a visitor as a literal LIKE pattern inside '...'.
Function LikeText(text)
  LikeText = LiteralBody(LikePattern(text))
End Function

' A text parameter needs a size; other types ignore it.
Function ParameterSize(value)
  ParameterSize = Len(value & "")
  If ParameterSize < 1 Then ParameterSize = 1
End Function

' The ADO type a value compared with a column of columnType goes to the
' database as.
Function ParameterType(columnType)
  Dim low, high
  If IsTextType(columnType) Then
    ParameterType = 202
  ElseIf IsDateType(columnType) Then
    ParameterType = 7
  ElseIf IntegerRange(columnType, low, high) Then
    If low >= -2147483648 And high <= 2147483647 Then ParameterType = 3 Else ParameterType = 5
  ElseIf columnType = 4 Or columnType = 6 Or columnType = 11 Then
    ParameterType = columnType
  Else
    ParameterType = 5
  End If
End Function

' value in the SQL text: a placeholder where parameters is a Dictionary
' (the value is added to it with its ADO type), otherwise a typed literal:
' a quoted text, a number with a point, #yyyy-mm-dd hh:nn:ss#, True or
' False. Never a text the server's locale would read.
Function SqlValue(valueType, value, parameters)
  If Not parameters Is Nothing Then
    parameters.Add parameters.Count, Array(valueType, value)
    SqlValue = "?"
  ElseIf IsTextType(valueType) Then
    SqlValue = "'" & LiteralBody(value) & "'"
  ElseIf IsDateType(valueType) Then
    SqlValue = "#" & Right("000" & Year(value), 4) & "-" & Right("0" & Month(value), 2) & "-" & _
      Right("0" & Day(value), 2) & " " & Right("0" & Hour(value), 2) & ":" & _
      Right("0" & Minute(value), 2) & ":" & Right("0" & Second(value), 2) & "#"
  ElseIf valueType = 11 Then
    If value Then SqlValue = "True" Else SqlValue = "False"
  Else
    SqlValue = ExactNumberText(CDbl(value))
  End If
End Function

' A command for sql with its parameters (a Dictionary of Array(type,
' value)), on the page's connection.
Function NewCommand(sql, parameters)
  Dim command, n, typed
  Set command = Server.CreateObject("ADODB.Command")
  Set command.ActiveConnection = conn
  command.CommandType = 1
  command.CommandText = sql
  For n = 0 To parameters.Count - 1
    typed = parameters.Item(n)
    command.Parameters.Append command.CreateParameter("p" & (n + 1), typed(0), 1, ParameterSize(typed(1)), typed(1))
  Next
  Set NewCommand = command
End Function

' ---------------------------------------------------------------- search and filter

' What a search or filter text asks of a column of columnType, read by the
' pages' own formats, whatever the server's locale. Returns "" with term
' set to Array(kind, low, high), or a sentence naming the column (name)
' and why the text says nothing of it, with term Array(""). Kinds:
'   "like"   a text column holds the text (low) anywhere;
'   "equal"  a number or Yes/No column holds low: a number with a point,
'            True or False;
'   "range"  a date column holds a moment from low up to, not including,
'            high: a month (2024-01), a day (2024-01-31), a minute or a
'            second (2024-01-31 14:05[:30]) or a time of day alone.
Function ReadTerm(name, columnType, text, term)
  Dim value
  term = Array("")
  ReadTerm = Refused(name, text, "cannot be searched for: binary data.")
  If IsBinaryType(columnType) Then Exit Function
  ReadTerm = ""
  If IsDateType(columnType) Then
    ReadTerm = ReadDateTerm(name, Trim(text), term)
  ElseIf columnType = 11 Then
    value = YesNoValue(text)
    If VarType(value) = vbBoolean Then term = Array("equal", value) Else ReadTerm = Refused(name, text, "is not True or False.")
  ElseIf IsNumberType(columnType) Then
    ReadTerm = ParseNumber(name, columnType, Trim(text), value)
    If ReadTerm = "" Then term = Array("equal", value)
  Else
    term = Array("like", text)
  End If
End Function

Function ReadDateTerm(name, text, term)
  Dim parts, first, yearNumber, monthNumber
  Set parts = Matched("^([0-9]{3,4})-([0-9]{1,2})$", text)
  If parts.Count = 1 Then
    yearNumber = CInt(parts.Item(0).SubMatches.Item(0))
    monthNumber = CInt(parts.Item(0).SubMatches.Item(1))
    If yearNumber >= 100 And monthNumber >= 1 And monthNumber <= 12 Then
      term = Array("range", DateSerial(yearNumber, monthNumber, 1), DateSerial(yearNumber, monthNumber + 1, 1))
      ReadDateTerm = ""
      Exit Function
    End If
  End If
  ReadDateTerm = Refused(name, text, "is not a date: write a month as 2024-01, a day as 2024-01-31 or a moment as 2024-01-31 14:05.")
  parts = DateParts(text)
  If IsEmpty(parts) Then Exit Function
  first = DateFromParts(parts(0), parts(1))
  Select Case parts(2)
    Case "day"
      term = Array("range", first, DateFromParts(parts(0) + 1, 0))
    Case "minute"
      term = Array("range", first, DateFromParts(parts(0), parts(1) + TimeSerial(0, 1, 0)))
    Case Else
      term = Array("range", first, DateFromParts(parts(0), parts(1) + TimeSerial(0, 0, 1)))
  End Select
  ReadDateTerm = ""
End Function

' The SQL of a term (see ReadTerm) on column: [column] compared with values
' that go in as SqlValue writes them; 1=0 for a term of no kind, which no
' record meets.
Function TermSql(column, columnType, term, parameters)
  Select Case term(0)
    Case "like"
      If parameters Is Nothing Then
        TermSql = "[" & column & "] LIKE '%" & LikeText(term(1)) & "%'"
      Else
        TermSql = "[" & column & "] LIKE " & SqlValue(202, "%" & LikePattern(term(1)) & "%", parameters)
      End If
    Case "equal"
      TermSql = "[" & column & "] = " & SqlValue(ParameterType(columnType), term(1), parameters)
    Case "range"
      TermSql = "([" & column & "] >= " & SqlValue(7, term(1), parameters) & " AND [" & column & "] < " & _
        SqlValue(7, term(2), parameters) & ")"
    Case Else
      TermSql = "1=0"
  End Select
End Function

' The condition a search or filter text sets on the page table's column.
' A name the table lacks is searched as text all the same, so that the
' database says what is wrong with it.
Function ColumnCondition(column, text, parameters)
  Dim columnType, term
  columnType = PageColumnType(column)
  If columnType = -1 Then columnType = 202
  If ReadTerm(column, columnType, text, term) <> "" Then term = Array("")
  ColumnCondition = TermSql(column, columnType, term, parameters)
End Function

' One column's part of the list's search: " or " and its condition, in
' typed literals. A column the text says nothing of gets " or 1=0 ", so
' that a search never lists every record.
Function SearchTerm(column, text)
  SearchTerm = " or " & ColumnCondition(column, text, Nothing) & " "
End Function

' One filter input's condition after a blank, in typed literals; the
' template joins them with "and".
Function FilterTerm(column, text)
  FilterTerm = " " & ColumnCondition(column, text, Nothing)
End Function

' What a filter input shows: what was sent.
Function FilterValue(column)
  FilterValue = Request.Form(column) & ""
End Function

' ---------------------------------------------------------------- the filter

' The list's filter lives in the session as conditions, one to a line: the
' column, the kind of its term (see ReadTerm) and the text typed, each as
' OneLineText, between tabs. The list reads them anew for every view, by
' the column's type as it is then, into SQL with parameters.
Function FilterCondition(column, kind, text)
  FilterCondition = OneLineText(column) & vbTab & kind & vbTab & OneLineText(text)
End Function

' The conditions as Array(column, kind, text), one for each line.
Function FilterConditions(conditions)
  Dim lines, parts, n, found
  lines = Split(conditions, vbLf)
  found = Array()
  For n = 0 To UBound(lines)
    parts = Split(lines(n), vbTab)
    If UBound(parts) = 2 Then
      ReDim Preserve found(UBound(found) + 1)
      found(UBound(found)) = Array(FromOneLineText(parts(0)), parts(1), FromOneLineText(parts(2)))
    End If
  Next
  FilterConditions = found
End Function

' The conditions' SQL joined by AND, their values added to parameters. A
' condition that no longer reads as its kind (the column changed type or
' went) matches nothing.
Function FilterSql(conditions, parameters)
  Dim condition, columnType, term
  FilterSql = ""
  For Each condition In FilterConditions(conditions)
    columnType = PageColumnType(condition(0))
    If columnType = -1 Then columnType = 202
    If ReadTerm(condition(0), columnType, condition(2), term) <> "" Then term = Array("")
    If term(0) <> condition(1) Then term = Array("")
    If FilterSql <> "" Then FilterSql = FilterSql & " AND "
    FilterSql = FilterSql & TermSql(condition(0), columnType, term, parameters)
  Next
End Function

' The conditions as a visitor reads them: ShipName contains "x"; Freight
' is 32.38; OrderDate in 1996-07.
Function FilterDescription(conditions)
  Dim condition
  FilterDescription = ""
  For Each condition In FilterConditions(conditions)
    If FilterDescription <> "" Then FilterDescription = FilterDescription & "; "
    Select Case condition(1)
      Case "like"
        FilterDescription = FilterDescription & condition(0) & " contains """ & condition(2) & """"
      Case "equal"
        FilterDescription = FilterDescription & condition(0) & " is " & condition(2)
      Case Else
        FilterDescription = FilterDescription & condition(0) & " in " & condition(2)
    End Select
  Next
End Function

' The text the condition on column holds, or "".
Function FilterText(conditions, column)
  Dim condition
  FilterText = ""
  For Each condition In FilterConditions(conditions)
    If StrComp(condition(0), column, vbTextCompare) = 0 Then FilterText = condition(2)
  Next
End Function

' ---------------------------------------------------------------- forms

' A text kept on one line, in a hidden form field or a session value, that
' comes back exactly: browsers change line breaks in what they send, so
' "%", tab, CR and LF go percent-encoded.
Function OneLineText(text)
  OneLineText = Replace(Replace(Replace(Replace(text, "%", "%25"), vbTab, "%09"), vbCr, "%0D"), vbLf, "%0A")
End Function

Function FromOneLineText(text)
  FromOneLineText = Replace(Replace(Replace(Replace(text, "%0A", vbLf), "%0D", vbCr), "%09", vbTab), "%25", "%")
End Function

' Browsers send a text area's line breaks as CR LF whatever the database
' holds: a text equals another when it differs only in those.
Function SameText(a, b)
  SameText = (Replace(Replace(a, vbCrLf, vbLf), vbCr, vbLf) = Replace(Replace(b, vbCrLf, vbLf), vbCr, vbLf))
End Function

' A refused form's summary at the top of its page (GOV.UK's pattern): a
' heading and the list items, which link to the fields they are about.
Sub WriteRefusalSummary(heading, items)
  Response.Write "<div class=""summary"" role=""alert"" aria-labelledby=""summary-heading"">" & vbCrLf
  Response.Write "<h2 id=""summary-heading"">" & Server.HTMLEncode(heading) & "</h2>" & vbCrLf
  Response.Write "<ul>" & vbCrLf & items & "</ul>" & vbCrLf & "</div>" & vbCrLf
End Sub

' ---------------------------------------------------------------- database trouble

' The page's own words for a query the database refused. The database's
' message goes to the server's log (IIS takes at most 80 characters and no
' comma there) and into the page only where showDetails says so: the
' ShowDatabaseDetails switch at the top of the page, for the site's owner.
Function DatabaseTrouble(words, reason, showDetails)
  Response.AppendToLog Left(Replace(Replace(Replace(reason, ",", ";"), vbCr, " "), vbLf, " "), 80)
  DatabaseTrouble = words
  If showDetails Then DatabaseTrouble = words & " The database said: " & reason
End Function

' The error a database call left, for DatabaseTrouble.
Function ErrorReason()
  ErrorReason = Err.Description & " (error " & Err.Number & ")"
End Function

' ---------------------------------------------------------------- lookups

' The related columns of the page's table among the columns the pages show:
' each Array(column, referenced table, key column, caption column).
Function PageLookups()
  PageLookups = <!--@LOOKUPS@-->
End Function

' The lookup of the column called name (in any letter case), or -1.
Function LookupIndex(name)
  Dim n, lookups
  LookupIndex = -1
  If VarType(name) <> vbString Then Exit Function
  lookups = PageLookups()
  For n = 0 To UBound(lookups)
    If StrComp(lookups(n)(0), name, vbTextCompare) = 0 Then
      LookupIndex = n
      Exit Function
    End If
  Next
End Function

' The key and the caption column of a lookup's table, the first top rows
' where top is not 0: SELECT [key], [caption] FROM [table], the key once
' where it is its own caption.
Function LookupSql(lookup, top)
  LookupSql = "SELECT "
  If top > 0 Then LookupSql = LookupSql & "TOP " & top & " "
  LookupSql = LookupSql & "[" & lookup(2) & "]"
  If StrComp(lookup(3), lookup(2), vbTextCompare) <> 0 Then LookupSql = LookupSql & ", [" & lookup(3) & "]"
  LookupSql = LookupSql & " FROM [" & lookup(1) & "]"
End Function

' A caption, or the key where the caption is empty.
Function CaptionText(field, keyText)
  CaptionText = FieldText(field)
  If CaptionText = "" Then CaptionText = keyText
End Function

' ---------------------------------------------------------------- the table

' The columns of the page's table by name (letter case ignored), in column
' order, each with its ADO type: read once, when first asked for. Where the
' database cannot read them there are none, and PageColumnsProblem says why.
Function PageColumnTypes()
  Dim schema, i
  If IsEmpty(columnTypesOfThePage) Then
    Set columnTypesOfThePage = CreateObject("Scripting.Dictionary")
    columnTypesOfThePage.CompareMode = vbTextCompare
    columnsProblemOfThePage = ""
    On Error Resume Next
    Set schema = conn.Execute("SELECT * FROM [" & <!--@TABLE@--> & "] WHERE 1=0")
    Set columnAttributesOfThePage = CreateObject("Scripting.Dictionary")
    columnAttributesOfThePage.CompareMode = vbTextCompare
    If Err.Number = 0 Then
      For i = 0 To schema.Fields.Count - 1
        columnTypesOfThePage.Add schema.Fields.Item(i).Name, schema.Fields.Item(i).Type
        columnAttributesOfThePage.Add schema.Fields.Item(i).Name, schema.Fields.Item(i).Attributes
      Next
      schema.Close
    End If
    If Err.Number <> 0 Then columnsProblemOfThePage = Err.Description & " (error " & Err.Number & ")"
    Err.Clear
    On Error GoTo 0
  End If
  Set PageColumnTypes = columnTypesOfThePage
End Function

Dim columnTypesOfThePage

Dim columnAttributesOfThePage

Dim columnsProblemOfThePage

' "" or why the database could not give the columns of the page's table.
Function PageColumnsProblem()
  PageColumnTypes
  PageColumnsProblem = columnsProblemOfThePage
End Function

' The ADO type of the column called name, or -1 where the page's table has
' no such column.
Function PageColumnType(name)
  Dim types
  Set types = PageColumnTypes()
  PageColumnType = -1
  If types.Exists(name) Then PageColumnType = types.Item(name)
End Function

' The ADO attributes of the column called name, or -1 where the page's
' table has no such column.
Function PageColumnAttributes(name)
  PageColumnTypes
  PageColumnAttributes = -1
  If columnAttributesOfThePage.Exists(name) Then PageColumnAttributes = columnAttributesOfThePage.Item(name)
End Function

' The column called candidate (in any letter case) as the table spells it,
' or "".
Function PageColumnName(candidate)
  Dim types, name
  Set types = PageColumnTypes()
  PageColumnName = ""
  For Each name In types.Keys
    If StrComp(name, candidate, vbTextCompare) = 0 Then PageColumnName = name
  Next
End Function

' Whether the database fills the column called name itself (a calculated
' column, an attachment, a multi-valued column): a form shows it but never
' offers it for input or writes it, whatever the provider reports.
Function IsFilledByDatabase(name)
  Dim column
  IsFilledByDatabase = False
  For Each column In <!--@READONLY@-->
    If StrComp(column, name, vbTextCompare) = 0 Then IsFilledByDatabase = True
  Next
End Function

' ---------------------------------------------------------------- fragments

' Whether the list can search the column called name, and the filter page
' offer it, as text: binary data cannot be. A name the table lacks is
' searched all the same, so that the database says what is wrong with it.
Function IsSearchableColumn(name)
  IsSearchableColumn = Not IsBinaryType(PageColumnType(name))
End Function

' The form control of the column called name, for templates that have none
' of their own: RS is the record shown where action is "edit", and the form
' starts empty otherwise. The value is shown as the record gives it, so that
' RS("name") = Request.Form("name") saves it back as it was. Text with line
' breaks gets a text area, which keeps them; binary data is shown by its
' size, and a column the database fills as it is, with no control.
Function FieldControl(name)
  Dim field, columnType, text, named
  named = " id=""" & FieldId(name) & """ name=""" & Server.HTMLEncode(name) & """"
  text = ""
  columnType = PageColumnType(name)
  If action = "edit" Then
    Set field = RS.Fields.Item(name)
    columnType = field.Type
    If IsBinaryType(columnType) Then text = BinaryText(field) Else text = field.Value & ""
  End If
  If IsBinaryType(columnType) Or IsFilledByDatabase(name) Then
    FieldControl = "<output id=""" & FieldId(name) & """>" & Server.HTMLEncode(text) & "</output>"
  ElseIf columnType = 201 Or columnType = 203 Or InStr(text, vbLf) > 0 Or InStr(text, vbCr) > 0 Then
    ' A line break right after the start tag is not part of the text.
    FieldControl = "<textarea" & named & " rows=""5"" cols=""40"">" & vbCrLf & Server.HTMLEncode(text) & "</textarea>"
  Else
    FieldControl = "<input" & named & " value=""" & Server.HTMLEncode(text) & """>"
  End If
End Function

' ---------------------------------------------------------------- markup

' The id of the control of the column called name, distinct for every
' name: letters, digits and "-" as they are, any other character as "_",
' its code and "_".
Function FieldId(name)
  Dim i, c
  FieldId = "field-"
  For i = 1 To Len(name)
    c = Mid(name, i, 1)
    If InStr("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-", c) > 0 Then
      FieldId = FieldId & c
    Else
      FieldId = FieldId & "_" & Hex(AscW(c) And &HFFFF&) & "_"
    End If
  Next
End Function

' The class of a column's cells: numbers stand right-aligned, dates on one
' line. A related column shows a caption, which is text.
Function ColumnClass(name)
  Dim columnType
  ColumnClass = ""
  If LookupIndex(name) >= 0 Then Exit Function
  columnType = PageColumnType(name)
  If IsNumberType(columnType) Then
    ColumnClass = " class=""number"""
  ElseIf IsDateType(columnType) Then
    ColumnClass = " class=""date"""
  End If
End Function

' A header cell's sort state (an aria-sort attribute), where the page keeps
' one.
Function SortState(name)
  SortState = ""
End Function

' Whether a header links to a sort by the column: binary data cannot be
' sorted.
Function IsSortableColumn(name)
  IsSortableColumn = Not IsBinaryType(PageColumnType(name))
End Function

' What a form row's label adds where the column needs a value: one that
' takes no Null, is written from a form and is not Yes/No.
Function RequiredNote(name)
  Dim attributes
  RequiredNote = ""
  attributes = PageColumnAttributes(name)
  If attributes < 0 Or PageColumnType(name) = 11 Or IsFilledByDatabase(name) Then Exit Function
  If (attributes And &H60) = 0 And (attributes And &HC) <> 0 Then
    RequiredNote = " <span class=""required"">(required)</span>"
  End If
End Function

' ---------------------------------------------------------------- the page

' The start of a page up to its main content: the stylesheet, a link past
' the header, and the header bar with the table's name and links to the
' list and the filter.
Sub WritePageStart(title)
  Response.Write "<!DOCTYPE html>" & vbCrLf & "<html lang=""en"">" & vbCrLf & "<head>" & vbCrLf
  Response.Write "<meta charset=""utf-8"">" & vbCrLf
  Response.Write "<meta name=""viewport"" content=""width=device-width, initial-scale=1"">" & vbCrLf
  Response.Write "<title>" & Server.HTMLEncode(title) & "</title>" & vbCrLf
  WriteStyleSheet
  Response.Write "</head>" & vbCrLf & "<body>" & vbCrLf
  Response.Write "<a class=""skip"" href=""#main"">Skip to the content</a>" & vbCrLf
  Response.Write "<header class=""bar""><p class=""table-name"">" & Server.HTMLEncode(PageTableName()) & "</p>" & vbCrLf
  Response.Write "<nav aria-label=""" & Server.HTMLEncode(PageTableName()) & """><a href=""" & _
    PagePath(PageFileName("list")) & """>List</a> <a href=""" & PagePath(PageFileName("filter")) & _
    """>Filter</a> <a href=""" & PagePath(PageFileName("edit")) & "?action=add"">Add a record</a></nav>" & vbCrLf
  Response.Write "</header>" & vbCrLf & "<main id=""main"">" & vbCrLf
End Sub

Sub WritePageEnd()
  Response.Write "</main>" & vbCrLf & "</body>" & vbCrLf & "</html>" & vbCrLf
End Sub

' The page's table, and the file of its list, edit or filter page.
Function PageTableName()
  PageTableName = <!--@TABLE@-->
End Function

Function PageFileName(page)
  PageFileName = <!--@PAGEBASE@--> & page & ".asp"
End Function

' The pages' one stylesheet: a readable size, a calm look, a visible focus
' ring; on a narrow screen the list scrolls in its own box and a form's
' labels stand above their fields.
Sub WriteStyleSheet()
  Response.Write "<style>" & vbCrLf
  Response.Write ":root{--ink:#1f2328;--muted:#57606a;--line:#d0d7de;--accent:#0b57b7;--danger:#b3261e;--stripe:#f6f8fa;--head:#eaeef2}" & vbCrLf
  Response.Write "*{box-sizing:border-box}" & vbCrLf
  Response.Write "body{margin:0;font:16px/1.5 system-ui,-apple-system,""Segoe UI"",Roboto,""Helvetica Neue"",Arial,sans-serif;color:var(--ink);background:#fff}" & vbCrLf
  Response.Write "a{color:var(--accent)}" & vbCrLf
  Response.Write "a:focus,button:focus,input:focus,input:focus-within,select:focus,textarea:focus,[tabindex]:focus{outline:3px solid #ffbf47;outline-offset:0;box-shadow:0 0 0 6px var(--ink)}" & vbCrLf
  Response.Write ".skip{position:absolute;left:-999em}.skip:focus{left:1rem;top:1rem;z-index:2;background:#fff;padding:.5rem 1rem}" & vbCrLf
  Response.Write "header.bar{display:flex;flex-wrap:wrap;align-items:center;gap:.5rem 1.5rem;padding:.75rem 1rem;background:var(--ink);color:#fff}" & vbCrLf
  Response.Write "header.bar .table-name{margin:0;font-weight:700;font-size:1.25rem}" & vbCrLf
  Response.Write "header.bar nav a{color:#fff;margin-right:1rem}" & vbCrLf
  Response.Write "main{max-width:75rem;margin:0 auto;padding:1rem}" & vbCrLf
  Response.Write "h1{font-size:1.5rem;margin:.5rem 0 1rem}" & vbCrLf
  Response.Write ".actions{display:flex;flex-wrap:wrap;gap:.5rem;align-items:center;margin:1rem 0}" & vbCrLf
  Response.Write ".button,button,input[type=submit]{display:inline-block;padding:.5rem 1rem;border:2px solid var(--accent);border-radius:.375rem;background:var(--accent);color:#fff;font:inherit;font-weight:600;text-decoration:none;cursor:pointer}" & vbCrLf
  Response.Write ".button.secondary{background:#fff;color:var(--accent)}" & vbCrLf
  Response.Write ".button.danger,button.danger{background:var(--danger);border-color:var(--danger);color:#fff}" & vbCrLf
  Response.Write "input,select,textarea{font:inherit;padding:.4rem .5rem;border:1px solid #6e7781;border-radius:.25rem;max-width:100%}" & vbCrLf
  Response.Write "input[type=text],input[type=search],input[type=number],input:not([type]),select,textarea{width:100%;max-width:32rem}" & vbCrLf
  Response.Write ".table-box{overflow:auto;max-height:75vh;border:1px solid var(--line);border-radius:.375rem}" & vbCrLf
  Response.Write "table.records{border-collapse:collapse;width:100%}" & vbCrLf
  Response.Write "table.records caption{text-align:left;padding:.5rem .75rem;font-weight:600}" & vbCrLf
  Response.Write "table.records th,table.records td{padding:.5rem .75rem;border-bottom:1px solid var(--line);text-align:left;vertical-align:top}" & vbCrLf
  Response.Write "table.records thead th{position:sticky;top:0;background:var(--head)}" & vbCrLf
  Response.Write "table.records tbody tr:nth-child(even){background:var(--stripe)}" & vbCrLf
  Response.Write "table.records .number{text-align:right;font-variant-numeric:tabular-nums}table.records .date{white-space:nowrap}" & vbCrLf
  Response.Write "table.fields{border-collapse:collapse;width:100%}" & vbCrLf
  Response.Write "table.fields th{text-align:left;vertical-align:top;font-weight:600;padding:.6rem 1rem .6rem 0;width:14rem}" & vbCrLf
  Response.Write "table.fields td{padding:.4rem 0}" & vbCrLf
  Response.Write "@media (max-width:40rem){table.fields,table.fields tbody,table.fields tr,table.fields th,table.fields td{display:block;width:auto}table.fields th{padding:.75rem 0 .25rem}}" & vbCrLf
  Response.Write ".required{color:var(--danger);font-weight:400}" & vbCrLf
  Response.Write ".readonly{color:var(--muted)}" & vbCrLf
  Response.Write ".error,.problem{color:var(--danger)}.error{margin:.25rem 0 0;font-weight:600}" & vbCrLf
  Response.Write "[aria-invalid=true]{border:2px solid var(--danger)}" & vbCrLf
  Response.Write ".summary{border:4px solid var(--danger);padding:.75rem 1rem;margin:0 0 1.5rem}.summary h2{margin:0 0 .5rem;font-size:1.25rem}" & vbCrLf
  Response.Write ".conflict{margin:.5rem 0;padding:.5rem;border-left:4px solid var(--danger);background:#fff5f5}" & vbCrLf
  Response.Write ".empty,.filter,.nokey,.sort{color:var(--muted)}" & vbCrLf
  Response.Write "nav.pages{margin:1rem 0}nav.pages a,nav.pages strong{display:inline-block;padding:.25rem .5rem}" & vbCrLf
  Response.Write ".vh{position:absolute;width:1px;height:1px;overflow:hidden;clip:rect(0 0 0 0);white-space:nowrap}" & vbCrLf
  Response.Write "</style>" & vbCrLf
End Sub
