On Error GoTo Err_[ProcName] ' [ProcType]([Paramenters])
