Option Explicit

Public Function Total(ByVal a As Long, Optional ByRef b As String) As Double

' *** START ERROR HANDLER ***
On Error GoTo errHandler
If Err.Number <> 0 Then
errHandler: ErrorIn "Total(a, b)", Array(a, b), EA_NORERAISE: HandleError: Exit Function 
End If
' *** BEGIN CODE ***
    Total = a * 2
End Function
