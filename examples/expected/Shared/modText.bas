Attribute VB_Name = "modText"
Option Explicit

' Text helpers shared between projects (Größe, Maß, café).

Public Function Quote(ByVal s As String) As String

' *** START ERROR HANDLER ***
On Error GoTo errHandler
If Err.Number <> 0 Then
errHandler: ErrorIn "Quote(s)", Array(s), EA_NORERAISE: HandleError: Exit Function 
End If
' *** BEGIN CODE ***
    Quote = Chr$(34) & s & Chr$(34)
End Function

Public Function IsBlank(s As Variant) As Boolean

' *** START ERROR HANDLER ***
On Error GoTo errHandler
If Err.Number <> 0 Then
errHandler: ErrorIn "IsBlank(s)", Array(s), EA_NORERAISE: HandleError: Exit Function 
End If
' *** BEGIN CODE ***
    IsBlank = (Trim$(s & "") = "")
End Function

