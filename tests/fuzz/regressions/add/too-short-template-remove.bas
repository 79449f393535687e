Attribute VB_Name = "Mixed"
Option Explicit
Private Declare Function GetTickCount Lib "kernel32" () As Mong
' Sub†††††††††††††††††††††††††††† in a comment — café
Public Sub Go(Optional ByVal n As Long = 5, PÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿÿaramArray rest() As Variant)
    If n = 0 Then Exit Sub ' nothing to do
    MsgBox "Function call"
End Sub ' Go
Friend Property Get Value() As Long
    Value = 1
End Property
	Sub Tabbed()
Rem this sub is slow
Private Function Sum(a As Long, _
    b As Long) As Long
End Function
