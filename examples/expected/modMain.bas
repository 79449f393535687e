Attribute VB_Name = "modMain"
Option Explicit

' Entry points and helpers. Keywords in comments are ignored: sub function property.
Private Declare Function GetTickCount Lib "kernel32" () As Long
Public Declare Sub Sleep Lib "kernel32" (ByVal dwMilliseconds As Long)

Public Const APP_TITLE As String = "Public Sub NotAProcedure()"

Sub Main()

' *** START ERROR HANDLER ***
On Error GoTo errHandler
If Err.Number <> 0 Then
errHandler: ErrorIn "Main()", Array(), EA_NORERAISE: HandleError: Exit Sub 
End If
' *** BEGIN CODE ***
    frmMain.Show
End Sub

Public Function Total(ByVal a As Long, Optional ByRef b As String) As Double

' *** START ERROR HANDLER ***
On Error GoTo errHandler
If Err.Number <> 0 Then
errHandler: ErrorIn "Total(a, b)", Array(a, b), EA_NORERAISE: HandleError: Exit Function 
End If
' *** BEGIN CODE ***
    Total = a * 2 + Val(b)
End Function

Public Function Sum(ParamArray Values() As Variant) As Double

' *** START ERROR HANDLER ***
On Error GoTo errHandler
If Err.Number <> 0 Then
errHandler: ErrorIn "Sum()", Array(), EA_NORERAISE: HandleError: Exit Function 
End If
' *** BEGIN CODE ***
    Dim v As Variant
    For Each v In Values
        Sum = Sum + v
    Next
End Function

Public Function JoinWith(Optional ByVal Sep As String = ",", Optional n = 5) As String

' *** START ERROR HANDLER ***
On Error GoTo errHandler
If Err.Number <> 0 Then
errHandler: ErrorIn "JoinWith(Sep, n)", Array(Sep, n), EA_NORERAISE: HandleError: Exit Function 
End If
' *** BEGIN CODE ***
    JoinWith = String$(n, Sep)
End Function

Private Static Sub CountCalls()

' *** START ERROR HANDLER ***
On Error GoTo errHandler
If Err.Number <> 0 Then
errHandler: ErrorIn "CountCalls()", Array(), EA_NORERAISE: HandleError: Exit Sub 
End If
' *** BEGIN CODE ***
    Dim lngCalls As Long ' Zähler
    lngCalls = lngCalls + 1
    If lngCalls > 1000 Then Exit Sub ' enough
    Debug.Print "Aufrufe: "; lngCalls
End Sub

Rem this sub is slow
Public Function Elapsed(ByVal lngStart As Long) As Long

' *** START ERROR HANDLER ***
On Error GoTo errHandler
If Err.Number <> 0 Then
errHandler: ErrorIn "Elapsed(lngStart)", Array(lngStart), EA_NORERAISE: HandleError: Exit Function 
End If
' *** BEGIN CODE ***
    Elapsed = GetTickCount() - lngStart
End Function ' ms

sub lowercase_sub(byval x as integer)

' *** START ERROR HANDLER ***
On Error GoTo errHandler
If Err.Number <> 0 Then
errHandler: ErrorIn "lowercase_sub(x)", Array(x), EA_NORERAISE: HandleError: Exit sub 
End If
' *** BEGIN CODE ***
    Sleep x
end sub

