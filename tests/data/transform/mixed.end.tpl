Err_[procname]:
