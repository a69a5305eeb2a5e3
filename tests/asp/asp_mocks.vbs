' Strict stand-ins for the ASP intrinsic objects (Request, Response, Session,
' Server) and for ADO (Connection, Recordset, Command, Fields), written in the
' VBScript subset that Wine's engine runs. They record what a page does through
' HarnessSink, an object of the JScript host: the SQL it sends, the parameters,
' the fields it assigns, the session values it sets, where it redirects and
' what it writes, what it logs (Response.AppendToLog). Members that ADO or
' ASP lack are simply absent (the engine then raises "Object doesn't support
' this property or method"); unknown fields, closed objects, missing records
' and values a column cannot hold raise the errors ADO would raise. An edit
' is kept apart until Update stores it in the table (CancelUpdate drops it),
' and every Update and Delete is recorded with the values stored, for the
' test to carry to the next request. The database itself, and the SQL it
' reads, are in asp_database.vbs and asp_sql.js. Wine's parser takes no
' class member named Type or End: here they are HarnessType and HarnessEnd,
' and the page translation renames the page's .Type and .End to match. AscW,
' which Wine's engine lacks, is supplied here.

' Raised by Response.End and Response.Redirect to stop the page; the host
' treats it as a normal end (vbObjectError + 7777).
Const HarnessEndNumber = -2147213727

Const HarnessAdOpenForwardOnly = 0
Const HarnessAdOpenKeyset = 1
Const HarnessAdOpenDynamic = 2
Const HarnessAdOpenStatic = 3
Const HarnessAdLockReadOnly = 1
Const HarnessAdFldUpdatable = 4
Const HarnessAdFldUnknownUpdatable = 8

Dim HarnessCodePage, HarnessEnded, HarnessObjectCount, HarnessOffersTypeLib
HarnessCodePage = 65001
HarnessEnded = False
HarnessObjectCount = 0
' Whether Server.CreateObject makes "Scriptlet.TypeLib" (some servers refuse it).
HarnessOffersTypeLib = True

' Wine's engine has no AscW (error 445); the host gives the UTF-16 code unit.
Function AscW(text)
  If Len(text) = 0 Then Err.Raise 5, "AscW", "Invalid procedure call or argument: AscW of an empty text"
  AscW = HarnessSink.charCode(CStr(text))
End Function

' A number as text with a point, whatever the locale the page runs under.
Function HarnessNumberText(value)
  HarnessNumberText = Replace(CStr(value), Mid(CStr(1.5), 2, 1), ".")
End Function

' --------------------------------------------------------------- recording

Sub HarnessLog(kind, detail)
  Call HarnessSink.add(kind, detail)
End Sub

Sub HarnessFault(detail)
  Call HarnessSink.add("fault", detail)
End Sub

Function HarnessNewId(prefix)
  HarnessObjectCount = HarnessObjectCount + 1
  HarnessNewId = prefix & HarnessObjectCount
End Function

' A value as the log shows it: its kind and its text.
Function HarnessRepr(value)
  If IsObject(value) Then
    HarnessRepr = "o:" & TypeName(value)
    Exit Function
  End If
  Select Case VarType(value)
    Case 0
      HarnessRepr = "Empty"
    Case 1
      HarnessRepr = "Null"
    Case 8
      HarnessRepr = "s:" & value
    Case 11
      If value Then
        HarnessRepr = "b:True"
      Else
        HarnessRepr = "b:False"
      End If
    Case 7
      HarnessRepr = "d:" & Year(value) & "-" & Right("0" & Month(value), 2) & "-" & _
        Right("0" & Day(value), 2) & " " & Right("0" & Hour(value), 2) & ":" & _
        Right("0" & Minute(value), 2) & ":" & Right("0" & Second(value), 2)
    Case 2, 3, 4, 5, 6, 14, 17, 20
      HarnessRepr = "n:" & HarnessNumberText(value)
    Case 10
      HarnessRepr = "Missing"
    Case Else
      HarnessRepr = "v" & VarType(value) & ":" & CStr(value)
  End Select
End Function

Function HarnessIsMissing(value)
  HarnessIsMissing = False
  If Not IsObject(value) Then HarnessIsMissing = (VarType(value) = 10)
End Function

Function HarnessNewDictionary()
  Dim dictionary
  Set dictionary = CreateObject("Scripting.Dictionary")
  dictionary.CompareMode = 1
  Set HarnessNewDictionary = dictionary
End Function

' --------------------------------------------------------------- Request

Class HarnessRequest
  Private queryValues
  Private formValues
  Private serverValues

  Private Sub Class_Initialize()
    Set queryValues = HarnessNewDictionary()
    Set formValues = HarnessNewDictionary()
    Set serverValues = HarnessNewDictionary()
    serverValues.Add "REQUEST_METHOD", "GET"
    serverValues.Add "SERVER_NAME", "localhost"
    serverValues.Add "HTTP_HOST", "localhost"
    serverValues.Add "SERVER_PORT", "80"
    serverValues.Add "HTTPS", "off"
    serverValues.Add "QUERY_STRING", ""
    serverValues.Add "HTTP_REFERER", ""
    serverValues.Add "HTTP_USER_AGENT", "FERULO page test"
    serverValues.Add "REMOTE_ADDR", "127.0.0.1"
    serverValues.Add "CONTENT_TYPE", ""
  End Sub

  ' Set up by the test before the page runs.
  Public Sub HarnessSetPage(scriptName)
    serverValues.Add "SCRIPT_NAME", "/" & scriptName
    serverValues.Add "URL", "/" & scriptName
    serverValues.Add "PATH_INFO", "/" & scriptName
  End Sub

  Public Sub HarnessSetMethod(method)
    serverValues.Item("REQUEST_METHOD") = method
    If method = "POST" Then serverValues.Item("CONTENT_TYPE") = "application/x-www-form-urlencoded"
  End Sub

  Public Sub HarnessAddQuery(name, value)
    queryValues.Add name, value
  End Sub

  Public Sub HarnessSetQueryString(text)
    serverValues.Item("QUERY_STRING") = text
  End Sub

  ' A name posted twice gives its values joined by ", ", as in ASP.
  Public Sub HarnessAddForm(name, value)
    If Not formValues.Exists(name) Then formValues.Add name, New HarnessFormValue
    formValues.Item(name).AddValue value
  End Sub

  ' A missing name gives Empty, as in ASP.
  Public Function QueryString(name)
    If queryValues.Exists(name) Then QueryString = queryValues.Item(name)
    HarnessLog "read.query", name
  End Function

  ' A name the POST lacks gives a value with Count 0, as in ASP.
  Public Function Form(name)
    If formValues.Exists(name) Then
      Set Form = formValues.Item(name)
    Else
      Set Form = New HarnessFormValue
    End If
    HarnessLog "read.form", name
  End Function

  Public Function ServerVariables(name)
    If Not serverValues.Exists(name) Then
      Err.Raise 5, "Request.ServerVariables", "The test's request has no server variable '" & name & "'"
    End If
    ServerVariables = serverValues.Item(name)
  End Function

  ' Request("x"): query string first, then the form, as ASP searches them.
  Public Default Function Item(name)
    If queryValues.Exists(name) Then
      Item = queryValues.Item(name)
    ElseIf formValues.Exists(name) Then
      Item = formValues.Item(name).Value
    End If
    HarnessLog "read.any", name
  End Function
End Class

' Request.Form(name): its values' count and, as its default, their text.
Class HarnessFormValue
  Private text
  Public Count

  Private Sub Class_Initialize()
    Count = 0
  End Sub

  Public Sub AddValue(value)
    If Count > 0 Then text = text & ", " & value Else text = value
    Count = Count + 1
  End Sub

  Public Default Property Get Value()
    Value = text
  End Property
End Class

' --------------------------------------------------------------- Response

Class HarnessResponse
  Private charSetValue
  Private contentTypeValue
  Private bufferValue
  Private expiresValue
  Private written

  Private Sub Class_Initialize()
    written = False
    charSetValue = ""
    contentTypeValue = "text/html"
    bufferValue = True
    expiresValue = Empty
  End Sub

  Private Sub CheckNotEnded(member)
    If HarnessEnded Then HarnessFault "Response." & member & " after the page ended"
  End Sub

  Public Sub Write(value)
    CheckNotEnded "Write"
    If IsObject(value) Then Err.Raise 13, "Response.Write", "Type mismatch: an object"
    If IsNull(value) Then Exit Sub
    If Len(value) > 0 Then written = True
    Call HarnessSink.write(CStr(value))
  End Sub

  Public Sub Redirect(url)
    CheckNotEnded "Redirect"
    If IsNull(url) Or IsEmpty(url) Then Err.Raise 5, "Response.Redirect", "Invalid procedure call or argument: no URL"
    HarnessLog "redirect", CStr(url)
    HarnessEnded = True
    Err.Raise HarnessEndNumber, "Response", "HARNESS:END"
  End Sub

  Public Sub HarnessEnd()
    CheckNotEnded "End"
    HarnessLog "end", ""
    HarnessEnded = True
    Err.Raise HarnessEndNumber, "Response", "HARNESS:END"
  End Sub

  Public Sub Clear()
    CheckNotEnded "Clear"
    HarnessLog "clear", ""
    Call HarnessSink.clearOutput()
  End Sub

  Public Sub Flush()
    CheckNotEnded "Flush"
  End Sub

  ' IIS adds the text to the request's line of its log, whose fields commas
  ' separate: it takes no comma and at most 80 characters.
  Public Sub AppendToLog(text)
    CheckNotEnded "AppendToLog"
    If IsObject(text) Or IsNull(text) Then Err.Raise 13, "Response.AppendToLog", "Type mismatch: " & HarnessRepr(text)
    HarnessLog "log", CStr(text)
    If InStr(text, ",") > 0 Then HarnessFault "Response.AppendToLog text with a comma, which IIS refuses: " & text
    If Len(text) > 80 Then HarnessFault "Response.AppendToLog text of " & Len(text) & " characters, more than the 80 IIS takes: " & text
  End Sub

  Public Sub AddHeader(name, value)
    CheckNotEnded "AddHeader"
    HarnessLog "header", name & ": " & value
  End Sub

  Public Property Get CharSet()
    CharSet = charSetValue
  End Property

  ' The charset goes out with the headers: with buffering off, IIS sends
  ' them with the first output, so a page sets it before writing anything.
  Public Property Let CharSet(value)
    If written Then HarnessFault "Response.CharSet set after the page began its output"
    charSetValue = value
    HarnessLog "charset", value
  End Property

  Public Property Get ContentType()
    ContentType = contentTypeValue
  End Property

  Public Property Let ContentType(value)
    contentTypeValue = value
    HarnessLog "contenttype", value
  End Property

  Public Property Get Buffer()
    Buffer = bufferValue
  End Property

  Public Property Let Buffer(value)
    bufferValue = value
  End Property

  Public Property Get Expires()
    Expires = expiresValue
  End Property

  Public Property Let Expires(value)
    expiresValue = value
    HarnessLog "expires", CStr(value)
  End Property

  Public Property Get CodePage()
    CodePage = HarnessCodePage
  End Property

  Public Property Let CodePage(value)
    HarnessCodePage = value
    HarnessLog "codepage", CStr(value)
  End Property
End Class

' --------------------------------------------------------------- Session

Class HarnessSession
  Private values
  Private id

  Private Sub Class_Initialize()
    Set values = HarnessNewDictionary()
    id = "424242"
  End Sub

  ' Set up by the test: the browser's session.
  Public Sub HarnessSetId(sessionId)
    id = sessionId
  End Sub

  ' Set up by the test: a value left by an earlier request.
  Public Sub HarnessPreset(name, value)
    values.Add name, value
    HarnessLog "session.preset", name & Chr(9) & HarnessRepr(value)
  End Sub

  Public Default Property Get Item(name)
    If values.Exists(name) Then Item = values.Item(name)
  End Property

  Public Property Let Item(name, value)
    If IsObject(value) Then Err.Raise 13, "Session", "Type mismatch: the test keeps no objects in the session"
    If values.Exists(name) Then
      values.Item(name) = value
    Else
      values.Add name, value
    End If
    HarnessLog "session", name & Chr(9) & HarnessRepr(value)
  End Property

  Public Property Get SessionID()
    SessionID = id
  End Property

  Public Property Get Timeout()
    Timeout = 20
  End Property

  Public Sub Abandon()
    values.RemoveAll
    HarnessLog "session.abandon", ""
  End Sub
End Class

' --------------------------------------------------------------- Server

Class HarnessServer
  Private scriptTimeoutValue

  Private Sub Class_Initialize()
    scriptTimeoutValue = 90
  End Sub

  Public Function HTMLEncode(value)
    Dim text
    If IsNull(value) Then Err.Raise 94, "Server.HTMLEncode", "Invalid use of Null: 'Server.HTMLEncode'"
    If IsObject(value) Then Err.Raise 13, "Server.HTMLEncode", "Type mismatch"
    text = CStr(value)
    text = Replace(text, "&", "&amp;")
    text = Replace(text, "<", "&lt;")
    text = Replace(text, ">", "&gt;")
    text = Replace(text, """", "&quot;")
    HTMLEncode = text
  End Function

  Public Function URLEncode(value)
    If IsNull(value) Then Err.Raise 94, "Server.URLEncode", "Invalid use of Null: 'Server.URLEncode'"
    If IsObject(value) Then Err.Raise 13, "Server.URLEncode", "Type mismatch"
    URLEncode = HarnessSink.urlEncode(CStr(value), HarnessCodePage)
  End Function

  Public Function MapPath(path)
    If InStr(path, "..") > 0 Or InStr(path, ":") > 0 Then
      Err.Raise 5, "Server.MapPath", "The Path parameter for the MapPath method must be a virtual path: '" & path & "'"
    End If
    MapPath = "C:\inetpub\wwwroot\" & Replace(path, "/", "\")
    HarnessLog "mappath", MapPath
  End Function

  Public Function CreateObject(progId)
    Select Case LCase(progId)
      Case "adodb.connection"
        Set CreateObject = New HarnessConnection
      Case "adodb.recordset"
        Set CreateObject = New HarnessRecordset
      Case "adodb.command"
        Set CreateObject = New HarnessCommand
      Case "scriptlet.typelib"
        If Not HarnessOffersTypeLib Then Err.Raise 429, "Server.CreateObject", "ActiveX component can't create object: 'Scriptlet.TypeLib'"
        Set CreateObject = New HarnessTypeLib
      Case Else
        Err.Raise -2147221005, "Server.CreateObject", "Invalid class string: the test offers no '" & progId & "'"
    End Select
    HarnessLog "create", progId
  End Function

  Public Property Get ScriptTimeout()
    ScriptTimeout = scriptTimeoutValue
  End Property

  Public Property Let ScriptTimeout(value)
    scriptTimeoutValue = value
  End Property
End Class

' A new GUID at every read, in braces and followed by two NUL characters as
' the real object gives it.
Class HarnessTypeLib
  Public Property Get Guid()
    Guid = "{" & HarnessSink.newGuid() & "}" & Chr(0) & Chr(0)
  End Property
End Class

' --------------------------------------------------------------- ADO: errors

Sub HarnessAdoError(number, member, text)
  Err.Raise number, "ADODB." & member, text
End Sub

' Whether text reads as a number the way ADO converts it: digits with an
' optional sign and one decimal point, nothing else.
Function HarnessLooksNumeric(text, integral)
  If integral Then
    HarnessLooksNumeric = HarnessWholeNumberPattern.Test(text)
  Else
    HarnessLooksNumeric = HarnessNumberPattern.Test(text)
  End If
End Function

' The date a text stands for under the locale, or Null (Wine's IsDate
' knows fewer forms than its CDate).
Function HarnessTextDate(text)
  HarnessTextDate = Null
  On Error Resume Next
  HarnessTextDate = CDate(text)
  Err.Clear
End Function

' Raises the error ADO raises when value cannot go into the column; returns
' the value as it would be stored.
Function HarnessConvert(column, value)
  Dim kind, text
  If IsObject(value) Then HarnessAdoError -2147217887, "Field", "Multiple-step operation generated errors: an object for " & column.Name
  If IsNull(value) Or IsEmpty(value) Then
    HarnessConvert = Null
    Exit Function
  End If
  kind = VarType(value)
  If HarnessIsTextType(column.ColumnType) Then
    text = CStr(value)
    If column.ColumnType <> 201 And column.ColumnType <> 203 And Len(text) > column.DefinedSize Then
      HarnessAdoError -2147217887, "Field", "Multiple-step operation generated errors: " & Len(text) & " characters for " & column.Name & " (" & column.DefinedSize & ")"
    End If
    HarnessConvert = text
  ElseIf HarnessIsNumberType(column.ColumnType) Then
    If kind = 8 Then
      If Not HarnessLooksNumeric(value, HarnessIsIntegerType(column.ColumnType)) Then
        HarnessAdoError -2147217887, "Field", "Multiple-step operation generated errors: '" & value & "' is no number for " & column.Name
      End If
      If HarnessIsIntegerType(column.ColumnType) Then
        HarnessConvert = CLng(value)
      Else
        HarnessConvert = CDbl(value)
      End If
    ElseIf kind = 11 Or kind = 7 Then
      HarnessAdoError -2147217887, "Field", "Multiple-step operation generated errors: " & HarnessRepr(value) & " for the number column " & column.Name
    Else
      HarnessConvert = value
    End If
  ElseIf column.ColumnType = 11 Then
    If kind = 8 Then
      Select Case LCase(Trim(value))
        Case "true", "-1"
          HarnessConvert = True
        Case "false", "0"
          HarnessConvert = False
        Case Else
          HarnessAdoError -2147217887, "Field", "Multiple-step operation generated errors: '" & value & "' for the Yes/No column " & column.Name
      End Select
    Else
      HarnessConvert = CBool(value)
    End If
  ElseIf column.ColumnType = 7 Or column.ColumnType = 133 Or column.ColumnType = 135 Then
    ' ADO reads a text by the server's locale.
    If kind = 8 Then
      HarnessConvert = HarnessTextDate(value)
      If IsNull(HarnessConvert) Then HarnessAdoError -2147217887, "Field", "Multiple-step operation generated errors: '" & value & "' is no date for " & column.Name
    ElseIf kind = 7 Then
      HarnessConvert = value
    Else
      HarnessAdoError -2147217887, "Field", "Multiple-step operation generated errors: " & HarnessRepr(value) & " for the date column " & column.Name
    End If
  Else
    HarnessConvert = value
  End If
End Function

' --------------------------------------------------------------- ADO: Connection

Class HarnessConnection
  Public Id
  Private stateValue
  Private connectionText

  Private Sub Class_Initialize()
    Id = HarnessNewId("conn")
    stateValue = 0
    connectionText = ""
  End Sub

  Public Property Get State()
    State = stateValue
  End Property

  Public Property Get ConnectionString()
    ConnectionString = connectionText
  End Property

  Public Property Let ConnectionString(value)
    If stateValue = 1 Then HarnessAdoError 3705, "Connection", "Operation is not allowed when the object is open."
    connectionText = value
  End Property

  Public Sub Open(text)
    If stateValue = 1 Then HarnessAdoError 3705, "Connection", "Operation is not allowed when the object is open."
    If HarnessIsMissing(text) Then text = connectionText
    If (InStr(1, text, "DRIVER={Microsoft Access Driver (*.mdb)}", 1) = 0 And InStr(1, text, "DRIVER={Microsoft Access Driver (*.mdb, *.accdb)}", 1) = 0) Or InStr(1, text, "DBQ=C:\inetpub\wwwroot\", 1) = 0 Then
      HarnessAdoError -2147467259, "Connection", "[Microsoft][ODBC Driver Manager] Data source name not found and no default driver specified: '" & text & "'"
    End If
    ' The driver every Windows has cannot read the Access 2007 format.
    If InStr(1, text, ".accdb;", 1) > 0 And InStr(1, text, "(*.mdb)", 1) > 0 Then
      HarnessAdoError -2147467259, "Connection", "[Microsoft][ODBC Microsoft Access Driver] Unrecognized database format: '" & text & "'"
    End If
    connectionText = text
    stateValue = 1
    HarnessLog "open", Id & Chr(9) & text
  End Sub

  Public Sub Close()
    If stateValue <> 1 Then HarnessAdoError 3704, "Connection", "Operation is not allowed when the object is closed."
    stateValue = 0
    HarnessLog "close", Id
  End Sub

  Public Function Execute(sql)
    Dim recordset
    If stateValue <> 1 Then HarnessAdoError 3709, "Connection", "The connection cannot be used to perform this operation. It is either closed or invalid in this context."
    Set recordset = New HarnessRecordset
    recordset.HarnessRun sql, CreateObject("Scripting.Dictionary"), HarnessAdOpenForwardOnly, HarnessAdLockReadOnly, Id, "execute"
    Set Execute = recordset
  End Function
End Class

' --------------------------------------------------------------- ADO: Command

Class HarnessParameter
  Public Name
  Public ParameterType
  Public Direction
  Public Size
  Public Value

  Public Property Get HarnessType()
    HarnessType = ParameterType
  End Property

  Public Property Let HarnessType(value)
    ParameterType = value
  End Property
End Class

Class HarnessParameters
  Private items

  Private Sub Class_Initialize()
    Set items = CreateObject("Scripting.Dictionary")
  End Sub

  Public Sub Append(parameter)
    If Not IsObject(parameter) Then HarnessAdoError 3001, "Parameters", "Arguments are of the wrong type, are out of acceptable range, or are in conflict with one another."
    Select Case parameter.ParameterType
      Case 200, 201, 202, 203, 204, 205, 128, 129, 130
        If parameter.Size <= 0 Then HarnessAdoError 3708, "Parameters", "Parameter object is improperly defined. Inconsistent or incomplete information was provided: '" & parameter.Name & "' has no size."
    End Select
    items.Add items.Count, parameter
  End Sub

  Public Property Get Count()
    Count = items.Count
  End Property

  Public Default Function Item(index)
    If index < 0 Or index >= items.Count Then HarnessAdoError 3265, "Parameters", "Item cannot be found in the collection corresponding to the requested name or ordinal."
    Set Item = items.Item(index)
  End Function
End Class

Class HarnessCommand
  Public Id
  Private connection
  Private textValue
  Private typeValue
  Private parameterList

  Private Sub Class_Initialize()
    Id = HarnessNewId("cmd")
    Set connection = Nothing
    textValue = ""
    typeValue = 8
    Set parameterList = New HarnessParameters
  End Sub

  Public Property Set ActiveConnection(value)
    Set connection = value
  End Property

  Public Property Get ActiveConnection()
    Set ActiveConnection = connection
  End Property

  Public Property Get CommandText()
    CommandText = textValue
  End Property

  Public Property Let CommandText(value)
    textValue = value
  End Property

  Public Property Get CommandType()
    CommandType = typeValue
  End Property

  Public Property Let CommandType(value)
    If value <> 1 And value <> 8 Then HarnessAdoError 3001, "Command", "The test's command runs SQL text only (CommandType " & value & ")"
    typeValue = value
  End Property

  Public Property Get Parameters()
    Set Parameters = parameterList
  End Property

  Public Function CreateParameter(name, parameterType, direction, size, value)
    Dim parameter
    Set parameter = New HarnessParameter
    parameter.Name = name
    parameter.ParameterType = parameterType
    parameter.Direction = direction
    parameter.Size = size
    If HarnessIsMissing(size) Then parameter.Size = 0
    If HarnessIsMissing(direction) Then parameter.Direction = 1
    parameter.Value = value
    If HarnessIsMissing(value) Then parameter.Value = Empty
    Set CreateParameter = parameter
  End Function

  ' Array(type, value, name) for each parameter, the values checked against
  ' their types as ADO converts them.
  Public Function HarnessValues()
    Dim values, i, parameter
    Set values = CreateObject("Scripting.Dictionary")
    For i = 0 To parameterList.Count - 1
      Set parameter = parameterList.Item(i)
      If HarnessIsNumberType(parameter.ParameterType) And VarType(parameter.Value) = 8 Then
        If Not HarnessLooksNumeric(parameter.Value, HarnessIsIntegerType(parameter.ParameterType)) Then
          HarnessAdoError -2147217913, "Command", "Data type mismatch in criteria expression: '" & parameter.Value & "' for " & parameter.Name
        End If
      End If
      HarnessLog "param", i & Chr(9) & parameter.Name & Chr(9) & parameter.ParameterType & Chr(9) & HarnessRepr(parameter.Value)
      values.Add i, Array(parameter.ParameterType, parameter.Value, parameter.Name)
    Next
    Set HarnessValues = values
  End Function

  Public Function HarnessConnectionId()
    If connection Is Nothing Then HarnessAdoError 3709, "Command", "The connection cannot be used to perform this operation. It is either closed or invalid in this context."
    If connection.State <> 1 Then HarnessAdoError 3709, "Command", "The connection cannot be used to perform this operation. It is either closed or invalid in this context."
    HarnessConnectionId = connection.Id
  End Function

  Public Function Execute()
    Dim recordset
    Set recordset = New HarnessRecordset
    recordset.HarnessRun textValue, HarnessValues(), HarnessAdOpenForwardOnly, HarnessAdLockReadOnly, HarnessConnectionId(), "command"
    Set Execute = recordset
  End Function
End Class

' --------------------------------------------------------------- ADO: Recordset

Class HarnessProperty
  Public Name
  Public Value
End Class

Class HarnessProperties
  Private column

  Public Sub Bind(boundColumn)
    Set column = boundColumn
  End Sub

  Public Default Function Item(name)
    Dim found
    If StrComp(name, "ISAUTOINCREMENT", 1) = 0 And column.ReportsAutoIncrement Then
      Set found = New HarnessProperty
      found.Name = "ISAUTOINCREMENT"
      found.Value = column.AutoIncrement
      Set Item = found
      Exit Function
    End If
    HarnessAdoError 3265, "Properties", "Item cannot be found in the collection corresponding to the requested name or ordinal: '" & name & "'"
  End Function
End Class

Class HarnessField
  Private owner
  Private column
  Private index

  Public Sub Bind(ownerRecordset, boundColumn, columnIndex)
    Set owner = ownerRecordset
    Set column = boundColumn
    index = columnIndex
  End Sub

  Public Property Get Name()
    Name = column.Name
  End Property

  Public Property Get HarnessType()
    HarnessType = column.ColumnType
  End Property

  Public Property Get DefinedSize()
    DefinedSize = column.DefinedSize
  End Property

  Public Property Get Attributes()
    Attributes = column.Attributes
  End Property

  Public Property Get Properties()
    Dim list
    Set list = New HarnessProperties
    list.Bind column
    Set Properties = list
  End Property

  Public Default Property Get Value()
    Dim stored
    HarnessCopy stored, owner.HarnessGet(index)
    If IsObject(stored) Then Set Value = stored Else Value = stored
  End Property

  Public Property Let Value(newValue)
    owner.HarnessSet index, newValue
  End Property

  ' Bytes for binary data, characters for text, 0 for Null.
  Public Property Get ActualSize()
    Dim stored
    HarnessCopy stored, owner.HarnessGet(index)
    If IsObject(stored) Then
      ActualSize = stored.Size
    ElseIf IsNull(stored) Then
      ActualSize = 0
    Else
      ActualSize = Len(CStr(stored))
    End If
  End Property
End Class

' target = value, with Set where the value is an object (binary data).
Sub HarnessCopy(target, value)
  If IsObject(value) Then Set target = value Else target = value
End Sub

Class HarnessFields
  Private owner

  Public Sub Bind(ownerRecordset)
    Set owner = ownerRecordset
  End Sub

  Public Property Get Count()
    Count = owner.HarnessFieldCount()
  End Property

  Public Default Function Item(key)
    Dim index, field
    index = owner.HarnessIndex(key)
    Set field = New HarnessField
    field.Bind owner, owner.HarnessColumn(index), index
    Set Item = field
  End Function
End Class

Class HarnessRecordset
  Public Id
  Private stateValue
  Private table
  Private rows
  Private position
  Private cursorTypeValue
  Private lockTypeValue
  Private cursorLocationValue
  Private pageSizeValue
  Private editMode
  Private connection
  Private fieldList
  Private sourceText
  Private operations
  ' The table's columns the fields show, by position.
  Private fieldMap
  Private updatable
  ' An edit's values, by the table's column, until Update stores them.
  Private pending
  ' Where the cursor was before AddNew, for CancelUpdate.
  Private positionBeforeNew
  ' The fields' positions by name, in any letter case.
  Private fieldPositions

  Private Sub Class_Initialize()
    Id = HarnessNewId("rs")
    stateValue = 0
    cursorTypeValue = HarnessAdOpenForwardOnly
    lockTypeValue = HarnessAdLockReadOnly
    cursorLocationValue = 2
    pageSizeValue = 10
    editMode = 0
    position = 0
    operations = 0
    Set connection = Nothing
    Set fieldList = New HarnessFields
    fieldList.Bind Me
    Set pending = CreateObject("Scripting.Dictionary")
  End Sub

  ' A page looping without MoveNext would run for ever; stop it instead.
  Private Sub Tick()
    operations = operations + 1
    If operations > 50000 Then Err.Raise 6, "HarnessRecordset", "Runaway page: more than 50000 calls on " & Id
  End Sub

  Private Sub RequireOpen(member)
    If stateValue <> 1 Then HarnessAdoError 3704, "Recordset", "Operation is not allowed when the object is closed. (" & member & ")"
  End Sub

  Private Sub RequireCurrent(member)
    RequireOpen member
    If position < 0 Or position >= rows.Count Then
      HarnessAdoError 3021, "Recordset", "Either BOF or EOF is True, or the current record has been deleted. Requested operation requires a current record. (" & member & ")"
    End If
    If rows.At(position).Deleted Then
      HarnessAdoError 3021, "Recordset", "Either BOF or EOF is True, or the current record has been deleted. Requested operation requires a current record. (" & member & ")"
    End If
  End Sub

  Private Sub RequireUpdatable(member)
    RequireOpen member
    If lockTypeValue = HarnessAdLockReadOnly Then
      HarnessAdoError 3251, "Recordset", "Current Recordset does not support updating. This may be a limitation of the provider, or of the selected locktype. (" & member & ")"
    End If
    If Not updatable Then HarnessJetError HarnessDriverFailure, "Operation must use an updateable query. (" & member & " on '" & sourceText & "')"
  End Sub

  Private Function Scrollable()
    Scrollable = (cursorTypeValue = HarnessAdOpenKeyset Or cursorTypeValue = HarnessAdOpenStatic Or cursorLocationValue = 3)
  End Function

  ' Runs a statement for Open, Connection.Execute or Command.Execute;
  ' parameters holds Array(type, value, name) for each ?.
  Public Sub HarnessRun(sql, parameters, cursorType, lockType, connectionId, how)
    Dim result, i
    If stateValue = 1 Then HarnessAdoError 3705, "Recordset", "Operation is not allowed when the object is open."
    If IsNull(sql) Or IsEmpty(sql) Then HarnessAdoError 3709, "Recordset", "No SQL text"
    sourceText = CStr(sql)
    HarnessLog "sql", Id & Chr(9) & how & Chr(9) & connectionId & Chr(9) & sourceText
    Set result = HarnessDb.Run(sourceText, parameters)
    Set table = result.Table
    fieldMap = result.FieldMap
    Set rows = result.Rows
    updatable = result.Updatable
    Set fieldPositions = HarnessNewDictionary()
    For i = 0 To UBound(fieldMap)
      If Not fieldPositions.Exists(table.Columns.Item(fieldMap(i)).Name) Then fieldPositions.Add table.Columns.Item(fieldMap(i)).Name, i
    Next
    HarnessLog "select", Id & Chr(9) & table.Name & Chr(9) & rows.Count & Chr(9) & sourceText
    cursorTypeValue = cursorType
    lockTypeValue = lockType
    position = 0
    editMode = 0
    pending.RemoveAll
    stateValue = 1
    HarnessLog "open", Id & Chr(9) & "cursor " & cursorType & " lock " & lockType & " rows " & rows.Count
  End Sub

  Public Sub Open(source, activeConnection, cursorType, lockType)
    Dim values, connectionId
    If HarnessIsMissing(cursorType) Then cursorType = cursorTypeValue
    If HarnessIsMissing(lockType) Then lockType = lockTypeValue
    If IsObject(source) Then
      If Not HarnessIsMissing(activeConnection) Then
        HarnessAdoError 3001, "Recordset", "Arguments are of the wrong type, are out of acceptable range, or are in conflict with one another: a Command source takes its own connection"
      End If
      connectionId = source.HarnessConnectionId()
      Set values = source.HarnessValues()
      HarnessRun source.CommandText, values, cursorType, lockType, connectionId, "open"
      Exit Sub
    End If
    If HarnessIsMissing(activeConnection) Then
      If connection Is Nothing Then HarnessAdoError 3709, "Recordset", "The connection cannot be used to perform this operation. It is either closed or invalid in this context."
    Else
      If Not IsObject(activeConnection) Then HarnessAdoError 3001, "Recordset", "The test's pages pass a Connection object, not a connection string"
      Set connection = activeConnection
    End If
    If connection.State <> 1 Then HarnessAdoError 3709, "Recordset", "The connection cannot be used to perform this operation. It is either closed or invalid in this context."
    HarnessRun source, CreateObject("Scripting.Dictionary"), cursorType, lockType, connection.Id, "open"
  End Sub

  Public Sub Close()
    RequireOpen "Close"
    If editMode <> 0 Then HarnessFault "Recordset " & Id & " closed while an edit was pending (no Update or CancelUpdate)"
    stateValue = 0
    HarnessLog "close", Id
  End Sub

  Public Property Get State()
    State = stateValue
  End Property

  Public Property Set ActiveConnection(value)
    Set connection = value
  End Property

  Public Property Get ActiveConnection()
    Set ActiveConnection = connection
  End Property

  Public Property Get Source()
    Source = sourceText
  End Property

  Public Property Get CursorType()
    CursorType = cursorTypeValue
  End Property

  Public Property Let CursorType(value)
    If stateValue = 1 Then HarnessAdoError 3705, "Recordset", "Operation is not allowed when the object is open."
    cursorTypeValue = value
  End Property

  Public Property Get LockType()
    LockType = lockTypeValue
  End Property

  Public Property Let LockType(value)
    If stateValue = 1 Then HarnessAdoError 3705, "Recordset", "Operation is not allowed when the object is open."
    lockTypeValue = value
  End Property

  Public Property Get CursorLocation()
    CursorLocation = cursorLocationValue
  End Property

  Public Property Let CursorLocation(value)
    If stateValue = 1 Then HarnessAdoError 3705, "Recordset", "Operation is not allowed when the object is open."
    cursorLocationValue = value
  End Property

  Public Property Get EOF()
    RequireOpen "EOF"
    Tick
    EOF = (position >= rows.Count)
  End Property

  Public Property Get BOF()
    RequireOpen "BOF"
    BOF = (position < 0 Or rows.Count = 0)
  End Property

  Public Property Get RecordCount()
    RequireOpen "RecordCount"
    If Scrollable() Then
      RecordCount = rows.Count
    Else
      RecordCount = -1
    End If
  End Property

  Public Property Get PageSize()
    PageSize = pageSizeValue
  End Property

  Public Property Let PageSize(value)
    If value < 1 Then HarnessAdoError 3001, "Recordset", "Arguments are of the wrong type, are out of acceptable range, or are in conflict with one another: PageSize " & value
    pageSizeValue = value
  End Property

  Public Property Get PageCount()
    RequireOpen "PageCount"
    If Scrollable() Then
      PageCount = Int((rows.Count + pageSizeValue - 1) / pageSizeValue)
    Else
      PageCount = -1
    End If
  End Property

  Public Property Get AbsolutePage()
    RequireOpen "AbsolutePage"
    If position >= rows.Count Then
      AbsolutePage = -3
    Else
      AbsolutePage = Int(position / pageSizeValue) + 1
    End If
  End Property

  Public Property Let AbsolutePage(value)
    RequireOpen "AbsolutePage"
    If Not Scrollable() Then HarnessAdoError 3251, "Recordset", "Current provider does not support the necessary interface for Index functionality: a forward-only cursor cannot set AbsolutePage"
    If value < 1 Or value > Int((rows.Count + pageSizeValue - 1) / pageSizeValue) Then
      HarnessAdoError 3001, "Recordset", "Arguments are of the wrong type, are out of acceptable range, or are in conflict with one another: AbsolutePage " & value
    End If
    position = (value - 1) * pageSizeValue
    HarnessLog "page", Id & Chr(9) & value
  End Property

  Public Property Get Fields()
    RequireOpen "Fields"
    Set Fields = fieldList
  End Property

  Public Sub MoveNext()
    RequireOpen "MoveNext"
    Tick
    If position >= rows.Count Then HarnessAdoError 3021, "Recordset", "Either BOF or EOF is True, or the current record has been deleted. Requested operation requires a current record. (MoveNext)"
    If editMode <> 0 Then HarnessFault "Recordset " & Id & " moved while an edit was pending"
    position = position + 1
  End Sub

  Public Sub MoveFirst()
    RequireOpen "MoveFirst"
    If Not Scrollable() And position > 0 Then HarnessAdoError 3251, "Recordset", "Current Recordset does not support fetching backward (MoveFirst on a forward-only cursor)"
    position = 0
  End Sub

  ' ADO stores a pending edit before it starts a new record.
  Public Sub AddNew()
    Dim row
    RequireUpdatable "AddNew"
    If editMode <> 0 Then Update
    Set row = table.NewRow()
    positionBeforeNew = position
    rows.Add row
    position = rows.Count - 1
    editMode = 2
    HarnessLog "addnew", Id & Chr(9) & table.Name
  End Sub

  ' Stores the edit in the table, where every later statement sees it; the
  ' "row" event tells the test the values stored (unchanged ones as "=").
  Public Sub Update()
    Dim i, column, row, stored, changes
    RequireUpdatable "Update"
    RequireCurrent "Update"
    Set row = rows.At(position)
    If editMode = 0 Then
      HarnessLog "update", Id & Chr(9) & table.Name & Chr(9) & "nothing changed" & Chr(9) & row.Number
      Exit Sub
    End If
    For i = 0 To table.Columns.Count - 1
      Set column = table.Columns.Item(i)
      If pending.Exists(i) Then HarnessCopy stored, pending.Item(i) Else HarnessCopy stored, row.Values(i)
      If column.Required And IsNull(stored) And Not column.AutoIncrement Then
        HarnessAdoError -2147467259, "Recordset", "The field '" & table.Name & "." & column.Name & "' cannot contain a Null value because the Required property for this field is set to True. Enter a value in this field."
      End If
    Next
    For Each i In pending.Keys
      row.SetValue i, pending.Item(i)
    Next
    If editMode = 2 Then table.Insert row Else table.Mirror row
    changes = ""
    For i = 0 To table.Columns.Count - 1
      If editMode = 2 Or pending.Exists(i) Then
        changes = changes & Chr(9) & HarnessExactRepr(row.Values(i))
      Else
        changes = changes & Chr(9) & "="
      End If
    Next
    If editMode = 2 Then
      HarnessLog "update", Id & Chr(9) & table.Name & Chr(9) & "insert" & Chr(9) & row.Number
      HarnessLog "row", table.Name & Chr(9) & row.Number & Chr(9) & "insert" & changes
    Else
      HarnessLog "update", Id & Chr(9) & table.Name & Chr(9) & "change" & Chr(9) & row.Number
      HarnessLog "row", table.Name & Chr(9) & row.Number & Chr(9) & "change" & changes
    End If
    pending.RemoveAll
    editMode = 0
  End Sub

  ' Drops the edit: the record keeps the values it had; a new one is gone.
  Public Sub CancelUpdate()
    RequireOpen "CancelUpdate"
    If editMode = 2 Then
      rows.RemoveLast
      position = positionBeforeNew
    End If
    pending.RemoveAll
    editMode = 0
    HarnessLog "cancelupdate", Id
  End Sub

  Public Sub Delete()
    Dim row
    RequireUpdatable "Delete"
    RequireCurrent "Delete"
    Set row = rows.At(position)
    If editMode = 2 Then
      CancelUpdate
      Exit Sub
    End If
    pending.RemoveAll
    editMode = 0
    table.Remove row
    HarnessLog "delete", Id & Chr(9) & table.Name & Chr(9) & HarnessRepr(row.Values(fieldMap(0))) & Chr(9) & row.Number
  End Sub

  Public Property Get EditModeValue()
    EditModeValue = editMode
  End Property

  ' RS("name") and RS(0): the field's value; RS("name") = v sets it.
  ' Wine's engine lets a page run on after an error raised inside a default
  ' property called as RS(...), where IIS stops the page; so the error is
  ' also recorded as a fault, which fails the test whatever the page does.
  Public Default Property Get Item(key)
    Dim value, number, source, description
    On Error Resume Next
    HarnessCopy value, HarnessGet(HarnessIndex(key))
    number = Err.Number
    source = Err.Source
    description = Err.Description
    On Error GoTo 0
    If number <> 0 Then
      HarnessFault "RS(" & HarnessRepr(key) & "): error " & number & ": " & description
      Err.Raise number, source, description
    End If
    If IsObject(value) Then Set Item = value Else Item = value
  End Property

  Public Property Let Item(key, value)
    HarnessSet HarnessIndex(key), value
  End Property

  Public Function HarnessFieldCount()
    RequireOpen "Fields"
    HarnessFieldCount = UBound(fieldMap) + 1
  End Function

  Public Function HarnessColumn(index)
    RequireOpen "Fields"
    Set HarnessColumn = table.Columns.Item(fieldMap(index))
  End Function

  ' The position among the fields of key: a name (any letter case) or a
  ' number.
  Public Function HarnessIndex(key)
    RequireOpen "Fields"
    Select Case VarType(key)
      Case 8
        If Not fieldPositions.Exists(key) Then HarnessAdoError 3265, "Fields", "Item cannot be found in the collection corresponding to the requested name or ordinal: no field '" & key & "' in " & table.Name
        HarnessIndex = fieldPositions.Item(key)
        Exit Function
      Case 2, 3, 17
        HarnessIndex = key
      Case Else
        If Not HarnessLooksNumeric(CStr(key), True) Then HarnessAdoError 3265, "Fields", "Item cannot be found in the collection corresponding to the requested name or ordinal: " & HarnessRepr(key)
        HarnessIndex = CLng(key)
    End Select
    If HarnessIndex < 0 Or HarnessIndex > UBound(fieldMap) Then HarnessAdoError 3265, "Fields", "Item cannot be found in the collection corresponding to the requested name or ordinal: no field " & key & " in " & table.Name
  End Function

  ' The value of the field at index: the edit's where it set one.
  Public Function HarnessGet(index)
    Dim stored, column
    Tick
    column = fieldMap(index)
    RequireCurrent "Fields(" & table.Columns.Item(column).Name & ")"
    If pending.Exists(column) Then
      HarnessCopy stored, pending.Item(column)
    Else
      HarnessCopy stored, rows.At(position).Values(column)
    End If
    If IsObject(stored) Then Set HarnessGet = stored Else HarnessGet = stored
  End Function

  Public Sub HarnessSet(index, value)
    Dim column, stored
    Set column = table.Columns.Item(fieldMap(index))
    RequireUpdatable "Fields(" & column.Name & ")"
    RequireCurrent "Fields(" & column.Name & ")"
    HarnessLog "assign", Id & Chr(9) & column.Name & Chr(9) & HarnessRepr(value)
    If column.AutoIncrement Or (column.Attributes And (HarnessAdFldUpdatable Or HarnessAdFldUnknownUpdatable)) = 0 Then
      HarnessAdoError -2147217887, "Field", "Multiple-step operation generated errors: the field " & column.Name & " cannot be updated (AutoNumber)"
    End If
    If HarnessIsBinaryType(column.ColumnType) Then HarnessFault "the page wrote " & HarnessRepr(value) & " over the binary data of " & column.Name
    ' Jet refuses a Null in a required column at Update, not here.
    stored = HarnessConvert(column, value)
    If pending.Exists(fieldMap(index)) Then
      pending.Item(fieldMap(index)) = stored
    Else
      pending.Add fieldMap(index), stored
    End If
    If editMode = 0 Then editMode = 1
  End Sub
End Class

' --------------------------------------------------------------- the page's world

Dim Request, Response, Session, Server
Set Request = New HarnessRequest
Set Response = New HarnessResponse
Set Session = New HarnessSession
Set Server = New HarnessServer
