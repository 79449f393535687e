On Error GoTo ErrorHandler
