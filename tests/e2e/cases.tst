# End-to-end cases: name  expected-exit-status  arguments (run inside a copy of cases/<name>/)
