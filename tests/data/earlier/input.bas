Attribute VB_Name = "modEarlier"
Option Explicit
Public Enum Color
  Red
End Enum

Public Sub Plain(ByVal a As Long)
    a = 1
End Sub

Private Sub Blur(ByRef dst() As Double, _
    ByVal n As Long)
    n = 1
End Sub

Function W( _
  a As Long, _
  b As String _
  ) As Long
END FUNCTION ' x

Public Property Get Item(ByVal i As Long) As Variant
Attribute Item.VB_UserMemId = 0
Attribute Item.VB_Description = "The item"
    Item = i
End Property

Friend Function Count() As Long
    Count = 1
End Function

Friend Property Let Value(ByVal r As RECT)
End  Property

Rem this sub (is) slow

Sub E(Optional ByVal sep As String = ",", c As Color)
  If a Then
  End If ' done
  Legend = 1 ' note
  ' End Sub _
  End Sub
End Sub

#If Win64 Then
Private Sub Alt(ByVal a As LongPtr)
#Else
Private Sub Alt(ByVal a As Long)
#End If
  y = 2
End Sub