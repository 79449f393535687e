Attribute VB_Name = "modMain"
Option Explicit

' Entry points and helpers. Keywords in comments are ignored: sub function property.
Private Declare Function GetTickCount Lib "kernel32" () As Long
Public Declare Sub Sleep Lib "kernel32" (ByVal dwMilliseconds As Long)

Public Const APP_TITLE As String = "Public Sub NotAProcedure()"

Sub Main()
    frmMain.Show
End Sub

Public Function Total(ByVal a As Long, Optional ByRef b As String) As Double
    Total = a * 2 + Val(b)
End Function

Public Function Sum(ParamArray Values() As Variant) As Double
    Dim v As Variant
    For Each v In Values
        Sum = Sum + v
    Next
End Function

Public Function JoinWith(Optional ByVal Sep As String = ",", Optional n = 5) As String
    JoinWith = String$(n, Sep)
End Function

Private Static Sub CountCalls()
    Dim lngCalls As Long ' Zähler
    lngCalls = lngCalls + 1
    If lngCalls > 1000 Then Exit Sub ' enough
    Debug.Print "Aufrufe: "; lngCalls
End Sub

Rem this sub is slow
Public Function Elapsed(ByVal lngStart As Long) As Long
    Elapsed = GetTickCount() - lngStart
End Function ' ms

sub lowercase_sub(byval x as integer)
    Sleep x
end sub
