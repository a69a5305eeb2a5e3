' The stand-in database behind the ADO stand-ins of asp_mocks.vbs: tables of
' typed columns and rows, what a page stores in them, and the statements it
' sends. The statements themselves are parsed and run by asp_sql.js (in the
' host, through HarnessSink), which says what it reads and how Jet would
' answer; this side keeps the typed values, hands the engine a plain copy of
' each row, converts parameters as ADO converts them, and writes dates and
' texts as VBScript writes them under the server's locale (for LIKE on a
' number or date column). Statements matching a pattern given with Refuse
' are refused as the Access ODBC driver refuses a table it cannot read.

' Declared first, as Wine's engine finds a global name by going through
' every global declared before it: the test's set-up of thousands of rows
' and the engine's calls go faster this way. Dates and currency in the
' set-up are HarnessZeroDate + days and HarnessCurrencyUnit * n.
Dim HarnessTableSetUp, HarnessFastSink, HarnessZeroDate, HarnessCurrencyUnit
Dim HarnessWholeNumberPattern, HarnessNumberPattern
Set HarnessFastSink = HarnessSink
HarnessZeroDate = CDate(0)
HarnessCurrencyUnit = CCur(0.0001)
' Text that reads as a number the way ADO converts it (HarnessLooksNumeric).
Set HarnessWholeNumberPattern = New RegExp
HarnessWholeNumberPattern.Pattern = "^\s*-?[0-9]+\s*$"
Set HarnessNumberPattern = New RegExp
HarnessNumberPattern.Pattern = "^\s*-?([0-9]+(\.[0-9]*)?|\.[0-9]+)\s*$"

Const HarnessJetSyntaxError = -2147217900
Const HarnessJetMissingValue = -2147217904
Const HarnessJetTypeMismatch = -2147217913
Const HarnessJetNoTable = -2147217865
Const HarnessDriverFailure = -2147467259
Const HarnessDriverSource = "Microsoft OLE DB Provider for ODBC Drivers"

' Raises an error as the Access ODBC driver reports it through ADO.
Sub HarnessJetError(number, text)
  Err.Raise number, HarnessDriverSource, "[Microsoft][ODBC Microsoft Access Driver] " & text
End Sub

' --------------------------------------------------------------- types

' A value of a binary column: only its size is known. Read as text it fails,
' as the page must never print or write binary data.
Class HarnessBinary
  Public Size
End Class

Function HarnessBinaryValue(size)
  Set HarnessBinaryValue = New HarnessBinary
  HarnessBinaryValue.Size = size
End Function

Function HarnessIsBinaryType(columnType)
  Select Case columnType
    Case 128, 204, 205
      HarnessIsBinaryType = True
    Case Else
      HarnessIsBinaryType = False
  End Select
End Function

Function HarnessIsTextType(columnType)
  Select Case columnType
    Case 8, 129, 130, 200, 201, 202, 203
      HarnessIsTextType = True
    Case Else
      HarnessIsTextType = False
  End Select
End Function

Function HarnessIsNumberType(columnType)
  Select Case columnType
    Case 2, 3, 4, 5, 6, 14, 16, 17, 18, 19, 20, 21, 131, 139
      HarnessIsNumberType = True
    Case Else
      HarnessIsNumberType = False
  End Select
End Function

Function HarnessIsIntegerType(columnType)
  Select Case columnType
    Case 2, 3, 16, 17, 18, 19, 20, 21
      HarnessIsIntegerType = True
    Case Else
      HarnessIsIntegerType = False
  End Select
End Function

Function HarnessIsDateType(columnType)
  Select Case columnType
    Case 7, 133, 134, 135
      HarnessIsDateType = True
    Case Else
      HarnessIsDateType = False
  End Select
End Function

' What a condition takes a value of an ADO type for: "text", "number",
' "date", "bool" or "binary" (a GUID reads as its text).
Function HarnessKindOf(columnType)
  If HarnessIsBinaryType(columnType) Then
    HarnessKindOf = "binary"
  ElseIf HarnessIsNumberType(columnType) Then
    HarnessKindOf = "number"
  ElseIf HarnessIsDateType(columnType) Then
    HarnessKindOf = "date"
  ElseIf columnType = 11 Then
    HarnessKindOf = "bool"
  Else
    HarnessKindOf = "text"
  End If
End Function

' A date as the test's rows spell it (see vbscript_literal in asp_run.py):
' before 1899-12-30 the time of day counts away from zero.
Function HarnessDateTime(wantedYear, wantedMonth, wantedDay, hours, minutes, seconds)
  Dim days, time
  days = CDbl(DateSerial(wantedYear, wantedMonth, wantedDay))
  time = CDbl(TimeSerial(hours, minutes, seconds))
  If days < 0 Then HarnessDateTime = CDate(days - time) Else HarnessDateTime = CDate(days + time)
End Function

' A value as Jet turns it into text for LIKE and &: numbers and dates as
' the server's locale writes them, Yes/No as -1 or 0.
Function HarnessJetText(value, kind)
  If kind = "bool" Then
    If value Then HarnessJetText = "-1" Else HarnessJetText = "0"
  Else
    HarnessJetText = CStr(value)
  End If
End Function

' A stored value exactly, for the test to carry to the next request:
' "s:" text (backslash, tab, CR and LF escaped), "b:" Yes/No, "i:" whole
' number, "c:" currency, "m:" decimal, "f:" double as two parts that add up
' to it exactly, "d:" a date of whole seconds, "D:" any other date as its
' days in two parts, "x:" binary data by size, Null.
Function HarnessExactRepr(value)
  If IsObject(value) Then
    HarnessExactRepr = "x:" & value.Size
    Exit Function
  End If
  Select Case VarType(value)
    Case 1
      HarnessExactRepr = "Null"
    Case 8
      HarnessExactRepr = "s:" & Replace(Replace(Replace(Replace(value, "\", "\\"), vbTab, "\t"), vbCr, "\r"), vbLf, "\n")
    Case 11
      If value Then HarnessExactRepr = "b:True" Else HarnessExactRepr = "b:False"
    Case 2, 3, 17, 20
      HarnessExactRepr = "i:" & CStr(value)
    Case 6
      HarnessExactRepr = "c:" & HarnessNumberText(value)
    Case 14
      HarnessExactRepr = "m:" & HarnessNumberText(value)
    Case 4, 5
      HarnessExactRepr = "f:" & HarnessDoubleParts(CDbl(value))
    Case 7
      If HarnessDateTime(Year(value), Month(value), Day(value), Hour(value), Minute(value), Second(value)) = value Then
        HarnessExactRepr = "d:" & Year(value) & "-" & Month(value) & "-" & Day(value) & " " & _
          Hour(value) & ":" & Minute(value) & ":" & Second(value)
      Else
        HarnessExactRepr = "D:" & HarnessDoubleParts(CDbl(value))
      End If
    Case Else
      Err.Raise 5, "HarnessExactRepr", "The test's database keeps no value of VarType " & VarType(value)
  End Select
End Function

' A double as "high;low": high its 15 digits, low the rest (exact, as the
' two are close), so that high + low gives the double back to the bit.
Function HarnessDoubleParts(value)
  Dim high
  high = CDbl(CStr(value))
  HarnessDoubleParts = HarnessNumberText(high) & ";" & HarnessNumberText(value - high)
End Function

' --------------------------------------------------------------- tables

Class HarnessColumn
  Public Name
  Public ColumnType
  Public DefinedSize
  Public Attributes
  Public AutoIncrement
  Public ReportsAutoIncrement
  Public Required
End Class

Class HarnessRow
  ' Its values by column position.
  Public Values
  Public Deleted
  ' Its position among the table's rows: the test's rows first, then those
  ' the page added.
  Public Number

  Private Sub Class_Initialize()
    Deleted = False
    Number = -1
  End Sub

  Public Sub SetValue(index, value)
    Values(index) = value
  End Sub
End Class

' A growing list (Wine's Dictionary loses numeric keys beyond a few hundred).
Class HarnessList
  Private items
  Private capacity
  Public Count

  Private Sub Class_Initialize()
    items = Array()
    capacity = 0
    Count = 0
  End Sub

  Public Sub Add(item)
    If Count = capacity Then
      capacity = capacity * 2 + 8
      ReDim Preserve items(capacity - 1)
    End If
    Set items(Count) = item
    Count = Count + 1
  End Sub

  Public Function At(index)
    Set At = items(index)
  End Function

  Public Sub RemoveLast()
    Count = Count - 1
    Set items(Count) = Nothing
  End Sub
End Class

Class HarnessTable
  Public Name
  Public Columns
  Public Rows
  ' Whether the SQL engine keeps a copy of the rows (not for COUNT's).
  Public Mirrored
  Private published
  Private dateColumns
  Private binaryColumns
  ' The columns of numbers, dates and Yes/No values, in order, and which of
  ' them are Yes/No: the engine gets their Jet texts with each row.
  Private textedColumns
  Private textedIsBool
  Private textedCount

  Private Sub Class_Initialize()
    Set Columns = CreateObject("Scripting.Dictionary")
    Set Rows = New HarnessList
    Mirrored = False
    published = False
  End Sub

  ' attributes: ADO field attributes; reportsAutoIncrement: whether the
  ' provider answers Properties("ISAUTOINCREMENT") (OLE DB does, some ODBC
  ' setups do not).
  Public Sub AddColumn(columnName, columnType, definedSize, attributes, autoIncrement, reportsAutoIncrement, required)
    Dim column
    Set column = New HarnessColumn
    column.Name = columnName
    column.ColumnType = columnType
    column.DefinedSize = definedSize
    column.Attributes = attributes
    column.AutoIncrement = autoIncrement
    column.ReportsAutoIncrement = reportsAutoIncrement
    column.Required = required
    Columns.Add Columns.Count, column
  End Sub

  ' values: one per column (asp_run.py checks the test's rows).
  Public Sub AddRow(values)
    Dim row
    Set row = New HarnessRow
    row.Values = values
    Store row
  End Sub

  ' A row for AddNew: every value Null, but No in a Yes/No column, which
  ' Jet never leaves empty.
  Public Function NewRow()
    Dim values, i
    ReDim values(Columns.Count - 1)
    For i = 0 To Columns.Count - 1
      If Columns.Item(i).ColumnType = 11 Then values(i) = False Else values(i) = Null
    Next
    Set NewRow = New HarnessRow
    NewRow.Values = values
  End Function

  ' A row added by a page: its AutoNumber is one more than the largest the
  ' column holds, as Jet numbers them.
  Public Sub Insert(row)
    Dim i
    For i = 0 To Columns.Count - 1
      If Columns.Item(i).AutoIncrement And IsNull(row.Values(i)) Then row.SetValue i, LargestValue(i) + 1
    Next
    Store row
  End Sub

  Private Sub Store(row)
    row.Number = Rows.Count
    Rows.Add row
    Mirror row
  End Sub

  Private Function LargestValue(index)
    Dim i, value
    LargestValue = 0
    For i = 0 To Rows.Count - 1
      value = Rows.At(i).Values(index)
      If Not IsNull(value) Then
        If value > LargestValue Then LargestValue = value
      End If
    Next
  End Function

  ' Hands the engine the row as it is now: dates as day numbers, binary
  ' data as 1, then the texts Jet makes of numbers, dates and Yes/No values
  ' under the server's locale (for LIKE).
  Public Sub Mirror(row)
    Dim values, plain, i, n
    If Not Mirrored Then Exit Sub
    Publish
    values = row.Values
    plain = values
    n = Columns.Count
    If textedCount > 0 Then ReDim Preserve plain(n + textedCount - 1)
    For i = 0 To textedCount - 1
      If textedIsBool(i) Then plain(n + i) = "" & (0 + values(textedColumns(i))) Else plain(n + i) = "" & values(textedColumns(i))
    Next
    For Each i In dateColumns
      plain(i) = plain(i) * 1
    Next
    For Each i In binaryColumns
      If IsObject(plain(i)) Then plain(i) = 1
    Next
    HarnessFastSink.sqlRow Name, row.Number, plain
  End Sub

  Public Sub Remove(row)
    row.Deleted = True
    If Mirrored Then HarnessSink.sqlDelete Name, row.Number
  End Sub

  ' Tells the engine the table's columns, once.
  Public Sub Publish()
    Dim i, names, kinds, dates, binaries, texted, bools, kind
    If published Or Not Mirrored Then Exit Sub
    Set dates = CreateObject("Scripting.Dictionary")
    Set binaries = CreateObject("Scripting.Dictionary")
    Set texted = CreateObject("Scripting.Dictionary")
    Set bools = CreateObject("Scripting.Dictionary")
    For i = 0 To Columns.Count - 1
      kind = HarnessKindOf(Columns.Item(i).ColumnType)
      If i = 0 Then
        names = Columns.Item(i).Name
        kinds = kind
      Else
        names = names & vbTab & Columns.Item(i).Name
        kinds = kinds & vbTab & kind
      End If
      If kind = "date" Then dates.Add dates.Count, i
      If kind = "binary" Then binaries.Add binaries.Count, i
      If kind <> "text" And kind <> "binary" Then
        bools.Add texted.Count, (kind = "bool")
        texted.Add texted.Count, i
      End If
    Next
    dateColumns = dates.Items
    binaryColumns = binaries.Items
    textedColumns = texted.Items
    textedIsBool = bools.Items
    textedCount = texted.Count
    HarnessSink.sqlTable Name, names, kinds
    published = True
  End Sub

  Public Function ColumnIndex(columnName)
    Dim i
    ColumnIndex = -1
    For i = 0 To Columns.Count - 1
      If StrComp(Columns.Item(i).Name, columnName, 1) = 0 Then
        ColumnIndex = i
        Exit Function
      End If
    Next
  End Function
End Class

' What a SELECT returns: the table its fields come from (the statement's
' own, or one made for COUNT(*)), the table's columns it shows in order,
' and the rows (a HarnessList).
Class HarnessResult
  Public Table
  Public FieldMap
  Public Rows
  Public Updatable
End Class

' What the engine asks of VBScript: dates and texts as VBScript makes them.
Class HarnessSqlHelper
  ' A date literal's value as the date a page would make of it, or Null
  ' where there is no such day.
  Public Function DayNumber(wantedYear, wantedMonth, wantedDay, hours, minutes, seconds)
    Dim value
    value = HarnessDateTime(wantedYear, wantedMonth, wantedDay, hours, minutes, seconds)
    If Day(value) <> wantedDay Or Month(value) <> wantedMonth Then DayNumber = Null Else DayNumber = value * 1
  End Function

  Public Function ConstantText(value, kind)
    If kind = "date" Then
      ConstantText = CStr(CDate(value))
    Else
      ConstantText = HarnessJetText(value, kind)
    End If
  End Function
End Class

Class HarnessDatabase
  Private tables
  Private refusals
  Private helper

  Private Sub Class_Initialize()
    Set tables = HarnessNewDictionary()
    Set refusals = CreateObject("Scripting.Dictionary")
    Set helper = New HarnessSqlHelper
  End Sub

  Public Function AddTable(tableName)
    Dim table
    Set table = New HarnessTable
    table.Name = tableName
    table.Mirrored = True
    tables.Add tableName, table
    Set AddTable = table
  End Function

  Public Function TableNamed(tableName)
    Set TableNamed = tables.Item(tableName)
  End Function

  ' Statements matching pattern (a regular expression, any letter case) are
  ' refused as the driver refuses a table it cannot read.
  Public Sub Refuse(pattern)
    Dim expression
    Set expression = New RegExp
    expression.Pattern = pattern
    expression.IgnoreCase = True
    refusals.Add refusals.Count, expression
  End Sub

  Private Sub CheckRefused(sql)
    Dim expression, named
    For Each expression In refusals.Items
      If expression.Test(sql) Then
        HarnessLog "refused", sql
        Set named = HarnessPattern("\b(?:FROM|UPDATE|INTO)\s+(\[[^\]]+\]|[A-Za-z0-9_]+)").Execute(sql)
        If named.Count > 0 Then
          HarnessJetError HarnessDriverFailure, "Record(s) cannot be read; no read permission on '" & Replace(Replace(named.Item(0).SubMatches.Item(0), "[", ""), "]", "") & "'."
        End If
        HarnessJetError HarnessDriverFailure, "The database refused '" & sql & "'."
      End If
    Next
  End Sub

  ' Runs a statement: parameters holds Array(ADO type, value, name) for
  ' each ?. Returns a HarnessResult, or raises what the driver would raise.
  Public Function Run(sql, parameters)
    Dim table, kinds, values, kind, value, i, answer, parts, fieldMap, result, number
    CheckRefused sql
    For Each table In tables.Items
      table.Publish
    Next
    kinds = ""
    If parameters.Count = 0 Then
      values = Array()
    Else
      ReDim values(parameters.Count - 1)
    End If
    For i = 0 To parameters.Count - 1
      HarnessParameterValue parameters.Item(i), kind, value
      values(i) = value
      If i > 0 Then kinds = kinds & vbTab
      kinds = kinds & kind
    Next
    answer = HarnessSink.sqlRun(CStr(sql), kinds, values, helper)
    parts = Split(answer, vbTab, 5)
    If parts(0) = "error" Then HarnessJetError CLng(parts(1)), parts(2) & ""
    Set result = New HarnessResult
    Set result.Table = tables.Item(parts(1))
    result.Updatable = True
    If parts(3) = "count" Then
      HarnessCountOf result, CLng(parts(4))
    Else
      fieldMap = Split(parts(2), ",")
      For i = 0 To UBound(fieldMap)
        fieldMap(i) = CLng(fieldMap(i))
      Next
      result.FieldMap = fieldMap
      Set result.Rows = New HarnessList
      If parts(4) <> "" Then
        For Each number In Split(parts(4), ",")
          result.Rows.Add result.Table.Rows.At(number)
        Next
      End If
    End If
    Set Run = result
  End Function
End Class

Function HarnessPattern(text)
  Dim expression
  Set expression = New RegExp
  expression.Pattern = text
  expression.IgnoreCase = True
  expression.Global = False
  Set HarnessPattern = expression
End Function

' COUNT(*): one row of one column, Expr1000, as Jet names it.
Sub HarnessCountOf(result, count)
  Dim counted
  Set counted = New HarnessTable
  counted.Name = result.Table.Name
  counted.AddColumn "Expr1000", 3, 4, 16, False, True, False
  counted.AddRow Array(count)
  Set result.Table = counted
  result.FieldMap = Array(0)
  Set result.Rows = New HarnessList
  result.Rows.Add counted.Rows.At(0)
  result.Updatable = False
End Sub

' A parameter's kind and value as ADO hands it to the driver: converted to
' its ADO type as ADO converts it (text by the server's locale), a date as
' its day number.
Sub HarnessParameterValue(parameter, kind, value)
  Dim parameterType, given, converted, failed
  parameterType = parameter(0)
  given = parameter(1)
  If HarnessIsBinaryType(parameterType) Then
    HarnessJetError HarnessJetTypeMismatch, "Data type mismatch in criteria expression. (the binary parameter " & parameter(2) & ")"
  End If
  kind = HarnessKindOf(parameterType)
  value = Null
  If IsNull(given) Or IsEmpty(given) Then Exit Sub
  converted = Null
  On Error Resume Next
  Select Case kind
    Case "text"
      converted = CStr(given)
    Case "number"
      converted = CDbl(given)
      If HarnessIsIntegerType(parameterType) Then converted = Round(converted)
    Case "bool"
      converted = CBool(given)
    Case "date"
      If VarType(given) = 8 Then converted = HarnessTextDate(given) Else converted = CDate(given)
      If parameterType = 133 And Not IsNull(converted) Then converted = DateSerial(Year(converted), Month(converted), Day(converted))
      If Not IsNull(converted) Then converted = converted * 1
  End Select
  failed = (Err.Number <> 0)
  On Error GoTo 0
  If failed Or IsNull(converted) Then
    HarnessJetError HarnessJetTypeMismatch, "Data type mismatch in criteria expression. (" & HarnessRepr(given) & " for the parameter " & parameter(2) & " of type " & parameterType & ")"
  End If
  value = converted
End Sub

Dim HarnessDb
Set HarnessDb = New HarnessDatabase
