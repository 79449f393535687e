Option Explicit

Public Function Total(ByVal a As Long, Optional ByRef b As String) As Double
    Total = a * 2
End Function