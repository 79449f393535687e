Exit [ProcType]
ErrorHandler:
LogError "[ModuleName].[ProcName]", Err.Number, Err.Description
