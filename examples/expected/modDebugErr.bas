Attribute VB_Name = "modDebugErr"
' modDebugErr: what the error-handling blocks of Trapwright call.
' Written by "trapwright runtime" (or "trapwright add --with-runtime").
' Trapwright never puts a block into this module: a block here would
' handle its own errors over and over.
'
' A block calls, in its handler:
'     ErrorIn "Total(a, b)", Array(a, b), EA_NORERAISE: HandleError: Exit Function
' ErrorIn records the error and one frame: the procedure with the values
' of its parameters. HandleError then either passes the error to the
' caller, whose block adds its frame, or reports the error with every
' frame, from where it happened outward, and lets the program go on.
'
' A report is appended to the log file (ErrorLogPath) and shown in a
' message box, unless the program runs unattended or sets
' ErrorMessageBox = False. Nothing in this module raises an error of its
' own: a value, a log or a message box that fails is left out.
Option Explicit

' The flags of ErrorIn:
' EA_NORERAISE: report the error here; the caller carries on.
Public Const EA_NORERAISE As Long = 0
' EA_RERAISE: add this frame and pass the error on to the caller.
Public Const EA_RERAISE As Long = 1

' A string value is shown quoted, cut after this many characters ("...").
Private Const MAX_STRING As Long = 60

Private mNumber As Long          ' the error being handled
Private mDescription As String
Private mSource As String
Private mLine As Long            ' its Erl; 0 when the line has no number
Private mFlags As Long           ' of the frame recorded last
Private mFrames() As String      ' from where the error happened outward
Private mFrameCount As Long
Private mPassing As Boolean      ' HandleError passed the error to the caller
Private mLogPath As String       ' set by the program; empty: the default
Private mNoMessageBox As Boolean

' Records the error being handled and one frame: sProcedure as the block
' gives it ("Name(a, b)"), each name paired with its value from
' vParameters. The frame is added to those of the error when a callee's
' HandleError passed it on; otherwise it starts a new list. Never raises.
Public Sub ErrorIn(ByVal sProcedure As String, ByVal vParameters As Variant, Optional ByVal lFlags As Long)
    Dim lNumber As Long, sDescription As String, sSource As String, lLine As Long
    ' First, before anything can clear them (any On Error does).
    lNumber = Err.Number: sDescription = Err.Description: sSource = Err.Source: lLine = Erl
    On Error Resume Next
    Dim blnSameError As Boolean
    If mPassing Then blnSameError = (lNumber = mNumber)
    If Not blnSameError Then
        mFrameCount = 0
        mNumber = lNumber
        mDescription = sDescription
        mSource = sSource
        mLine = lLine
    End If
    mPassing = False
    mFlags = lFlags
    ReDim Preserve mFrames(mFrameCount)
    mFrames(mFrameCount) = FrameText(sProcedure, vParameters)
    mFrameCount = mFrameCount + 1
End Sub

' After ErrorIn. With EA_RERAISE, raises the recorded error again (same
' number, source and description) for the caller's block. Otherwise
' reports it, then forgets the frames, clears Err and returns, so that
' the block's Exit ends the procedure normally.
Public Sub HandleError()
    If (mFlags And EA_RERAISE) <> 0 And mNumber <> 0 Then
        mPassing = True
        On Error GoTo 0
        Err.Raise mNumber, mSource, mDescription
    End If
    On Error Resume Next
    Dim sReport As String
    sReport = ReportText()
    AppendToLog sReport
    If Not mNoMessageBox And Not App.UnattendedApp Then MsgBox sReport, vbCritical, App.Title
    mFrameCount = 0
    Erase mFrames
    mPassing = False
    Err.Clear
End Sub

' The file reports are appended to: the one the program set, else
' "<EXE name>-errors.log" in the user's local application data folder
' (a folder a normal user may write to).
Public Property Get ErrorLogPath() As String
    On Error Resume Next
    Dim sFolder As String
    ErrorLogPath = mLogPath
    If Len(mLogPath) > 0 Then Exit Property
    sFolder = Environ$("LOCALAPPDATA")
    If Len(sFolder) = 0 Then sFolder = Environ$("APPDATA")
    If Len(sFolder) = 0 Then sFolder = Environ$("TEMP")
    ErrorLogPath = sFolder & "\" & App.EXEName & "-errors.log"
End Property

' Sets the log file; an empty path restores the default.
Public Property Let ErrorLogPath(ByVal sPath As String)
    mLogPath = sPath
End Property

' Whether a report is shown in a message box (True unless turned off;
' never while the program runs unattended).
Public Property Get ErrorMessageBox() As Boolean
    ErrorMessageBox = Not mNoMessageBox
End Property

Public Property Let ErrorMessageBox(ByVal blnShow As Boolean)
    mNoMessageBox = Not blnShow
End Property

' One entry of the log: when, which program, the error, its line, and
' the frames from where it happened outward.
Private Function ReportText() As String
    On Error Resume Next
    Dim sText As String, lFrame As Long
    sText = Format$(Now, "yyyy-mm-dd hh:mm:ss") & "  " & App.Title & " " & _
        App.Major & "." & App.Minor & "." & App.Revision & vbCrLf
    sText = sText & "Error " & mNumber & ": " & mDescription & vbCrLf
    sText = sText & "Source: " & mSource & vbCrLf
    If mLine <> 0 Then sText = sText & "Line: " & mLine & vbCrLf
    sText = sText & "Calls, innermost first:" & vbCrLf
    For lFrame = 0 To mFrameCount - 1
        sText = sText & "    " & mFrames(lFrame) & vbCrLf
    Next
    ReportText = sText
End Function

' Appends the report and an empty line to the log; a log that cannot be
' written is left as it is.
Private Sub AppendToLog(ByVal sReport As String)
    On Error Resume Next
    Dim iFile As Integer
    iFile = FreeFile
    Open ErrorLogPath For Append As #iFile
    Print #iFile, sReport
    Close #iFile
End Sub

' "Name(a = 1, b = "x")": the names between the parentheses of
' sProcedure, each with its value from vParameters.
Private Function FrameText(ByVal sProcedure As String, ByVal vParameters As Variant) As String
    On Error Resume Next
    Dim lOpen As Long, sInside As String, sNames() As String, lLast As Long
    Dim sText As String, lIndex As Long, sName As String
    FrameText = sProcedure
    lOpen = InStr(sProcedure, "(")
    If lOpen = 0 Or Not IsArray(vParameters) Then Exit Function
    sInside = Mid$(sProcedure, lOpen + 1)
    If Right$(sInside, 1) = ")" Then sInside = Left$(sInside, Len(sInside) - 1)
    lLast = -1
    If Len(Trim$(sInside)) > 0 Then
        sNames = Split(sInside, ",")
        lLast = UBound(sNames)
    End If
    For lIndex = 0 To UBound(vParameters) - LBound(vParameters)
        sName = "?"
        If lIndex <= lLast Then sName = Trim$(sNames(lIndex))
        If lIndex > 0 Then sText = sText & ", "
        sText = sText & sName & " = " & ValueText(vParameters(LBound(vParameters) + lIndex))
    Next
    FrameText = Left$(sProcedure, lOpen) & sText & ")"
End Function

' A value as the log shows it: strings quoted and cut, Empty, Null and
' Nothing by name, other objects by their type, arrays by element type
' and bounds ("Long(0 To 9)"). "(not shown)" when it cannot be shown.
Private Function ValueText(ByRef vValue As Variant) As String
    On Error GoTo NotShown
    If IsArray(vValue) Then
        ValueText = ArrayText(vValue)
    ElseIf IsObject(vValue) Then
        If vValue Is Nothing Then
            ValueText = "Nothing"
        Else
            ValueText = TypeName(vValue)
        End If
    ElseIf IsEmpty(vValue) Then
        ValueText = "Empty"
    ElseIf IsNull(vValue) Then
        ValueText = "Null"
    ElseIf VarType(vValue) = vbString Then
        ValueText = QuotedText(vValue)
    ElseIf VarType(vValue) = vbDate Then
        ValueText = "#" & Format$(vValue, "yyyy-mm-dd hh:mm:ss") & "#"
    ElseIf IsMissing(vValue) Then
        ValueText = "Missing"
    Else
        ValueText = CStr(vValue)
    End If
    Exit Function
NotShown:
    ValueText = "(not shown)"
End Function

Private Function QuotedText(ByVal sValue As String) As String
    Dim sText As String
    sText = Replace(Replace(Left$(sValue, MAX_STRING), vbCr, " "), vbLf, " ")
    QuotedText = """" & Replace(sText, """", """""") & """"
    If Len(sValue) > MAX_STRING Then QuotedText = QuotedText & "..."
End Function

' "Long(0 To 9)", "Variant(1 To 2, 0 To 3)"; "Long()" when it has no elements.
Private Function ArrayText(ByRef vArray As Variant) As String
    Dim sText As String, lDimension As Long, lLower As Long
    sText = TypeName(vArray)
    If Right$(sText, 2) = "()" Then sText = Left$(sText, Len(sText) - 2)
    sText = sText & "("
    On Error GoTo NoMoreDimensions
    For lDimension = 1 To 60
        lLower = LBound(vArray, lDimension)
        If lDimension > 1 Then sText = sText & ", "
        sText = sText & lLower & " To " & UBound(vArray, lDimension)
    Next
NoMoreDimensions:
    ArrayText = sText & ")"
End Function
