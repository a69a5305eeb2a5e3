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

' ---------------------------------------------------------------- keys

' A record's key value as an edit link names it, in the form the edit page
' reads back as exactly the same value: a number by the rule above with the
' digits it needs, a date by the rule above or, where it holds a fraction of
' a second, as the number Access keeps it as.
Function KeyText(field)
  Dim value
  value = field.Value
  If IsNull(value) Then
    KeyText = ""
  ElseIf field.Type = 4 Or field.Type = 5 Then
    KeyText = ExactNumberText(CDbl(value))
  ElseIf IsDateType(field.Type) Then
    If DateTextIsExact(value) Then KeyText = DateText(value) Else KeyText = ExactNumberText(CDbl(value))
  Else
    KeyText = FieldText(field)
  End If
End Function

' ---------------------------------------------------------------- parsing

' The value text stands for in field's column, by the rules of FieldText,
' into value; returns "" or a sentence naming the column and what is wrong.
Function ParseInput(field, text, value)
  ParseInput = ""
  If field.Type = 11 Then
    value = YesNoValue(text)
    If VarType(value) <> vbBoolean Then ParseInput = Refused(field, text, "is not Yes or No.")
  ElseIf IsNumberType(field.Type) Or IsDateType(field.Type) Then
    If Trim(text) = "" Then
      value = Null
    ElseIf IsDateType(field.Type) Then
      ParseInput = ParseDate(field, Trim(text), value)
    Else
      ParseInput = ParseNumber(field, Trim(text), value)
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

Function Refused(field, text, why)
  Refused = "The value """ & text & """ for " & field.Name & " " & why
End Function

Function ParseNumber(field, text, value)
  Dim parts, number, low, high
  ParseNumber = ""
  Set parts = DecimalParts(text)
  If parts Is Nothing Then
    ParseNumber = Refused(field, text, "is not a number: write it with a point and no grouping, like 1234.5.")
    Exit Function
  End If
  If IntegerRange(field.Type, low, high) And (parts.Item(2) & parts.Item(3) <> "" Or InStr(text, ".") > 0) Then
    ParseNumber = Refused(field, text, "is not a whole number.")
    Exit Function
  End If
  number = ScaledNumber(parts)
  If IsNull(number) Then
    ParseNumber = Refused(field, text, "is out of range.")
    Exit Function
  End If
  If IntegerRange(field.Type, low, high) Then
    If number < low Or number > high Then
      ParseNumber = Refused(field, text, "is out of range (" & NumberText(low) & " to " & NumberText(high) & ").")
    ElseIf number >= -2147483648 And number <= 2147483647 Then
      value = CLng(number)
    Else
      value = number
    End If
  ElseIf field.Type = 6 Then
    If Abs(number) > 922337203685477 Then ParseNumber = Refused(field, text, "is out of range.") Else value = CCur(number)
  ElseIf field.Type = 4 And Abs(number) > 3.402823E+38 Then
    ParseNumber = Refused(field, text, "is out of range.")
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

Function ParseDate(field, text, value)
  Dim parts, dayPart, timePart
  ParseDate = Refused(field, text, "is not a date: write it as year-month-day with an optional 24-hour time, like 2024-01-31 or 2024-01-31 14:05.")
  Set parts = Matched("^(?:([0-9]{1,4})-([0-9]{1,2})-([0-9]{1,2}))?(?:(?:^|[ T]+)([0-9]{1,2}):([0-9]{2})(?::([0-9]{2}))?)?$", text)
  If parts.Count = 0 Then Exit Function
  Set parts = parts.Item(0).SubMatches
  dayPart = 0
  timePart = 0
  If parts.Item(0) & "" <> "" Then
    If CInt(parts.Item(0)) < 100 Then Exit Function
    dayPart = DateSerial(CInt(parts.Item(0)), CInt(parts.Item(1)), CInt(parts.Item(2)))
    If Month(dayPart) <> CInt(parts.Item(1)) Or Day(dayPart) <> CInt(parts.Item(2)) Then Exit Function
  End If
  If parts.Item(3) & "" <> "" Then
    If CInt(parts.Item(3)) > 23 Or CInt(parts.Item(4)) > 59 Or CInt("0" & parts.Item(5)) > 59 Then Exit Function
    timePart = TimeSerial(CInt(parts.Item(3)), CInt(parts.Item(4)), CInt("0" & parts.Item(5)))
  End If
  value = DateFromParts(dayPart, timePart)
  ParseDate = ""
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

' Text typed by a visitor as a literal LIKE pattern inside '...': quotes
' doubled, wildcards bracketed, and every character outside printable ASCII
' written as ChrW(code), so the statement itself is plain ASCII, which every
' ANSI code page keeps as it is: no conversion of the driver's can turn a
' character into a quote that ends the literal.
Function LikeText(text)
  Dim i, c, code, inLiteral
  LikeText = ""
  inLiteral = True
  For i = 1 To Len(text)
    c = Mid(text, i, 1)
    code = AscW(c) And &HFFFF&
    If code < 32 Or code > 126 Then
      If inLiteral Then LikeText = LikeText & "'"
      LikeText = LikeText & " & ChrW(" & code & ")"
      inLiteral = False
    Else
      If Not inLiteral Then LikeText = LikeText & " & '"
      inLiteral = True
      Select Case c
        Case "'"
          LikeText = LikeText & "''"
        Case "[", "%", "_", "*", "?", "#"
          LikeText = LikeText & "[" & c & "]"
        Case Else
          LikeText = LikeText & c
      End Select
    End If
  Next
  If Not inLiteral Then LikeText = LikeText & " & '"
End Function

' A text parameter needs a size; other types ignore it.
Function ParameterSize(value)
  ParameterSize = Len(value & "")
  If ParameterSize < 1 Then ParameterSize = 1
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
    If Err.Number = 0 Then
      For i = 0 To schema.Fields.Count - 1
        columnTypesOfThePage.Add schema.Fields.Item(i).Name, schema.Fields.Item(i).Type
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
' size and gets no control, since no form can send it back.
Function FieldControl(name)
  Dim field, columnType, text, htmlName
  htmlName = Server.HTMLEncode(name)
  text = ""
  columnType = PageColumnType(name)
  If action = "edit" Then
    Set field = RS.Fields.Item(name)
    columnType = field.Type
    If IsBinaryType(columnType) Then text = BinaryText(field) Else text = field.Value & ""
  End If
  If IsBinaryType(columnType) Then
    FieldControl = Server.HTMLEncode(text)
  ElseIf columnType = 201 Or columnType = 203 Or InStr(text, vbLf) > 0 Or InStr(text, vbCr) > 0 Then
    ' A line break right after the start tag is not part of the text.
    FieldControl = "<textarea name=""" & htmlName & """ rows=""5"" cols=""40"">" & vbCrLf & _
      Server.HTMLEncode(text) & "</textarea>"
  Else
    FieldControl = "<input name=""" & htmlName & """ size=""32"" value=""" & Server.HTMLEncode(text) & """>"
  End If
End Function
