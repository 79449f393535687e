Attribute VB_Name = "modText"
Option Explicit

' Text helpers shared between projects (Größe, Maß, café).

Public Function Quote(ByVal s As String) As String
    Quote = Chr$(34) & s & Chr$(34)
End Function

Public Function IsBlank(s As Variant) As Boolean
    IsBlank = (Trim$(s & "") = "")
End Function
