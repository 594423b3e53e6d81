"""Runs the built Dorvak.exe under Wine the way an operator does and checks
what it leaves behind. The program is driven only through its window; every
wait is for a state (a window, a focus, a text, a process end) with a
deadline, and a harness error names the state that was not reached.

    waits        the deadline wait and the harness's own error
    environment  the display, its keyboard and Wine (scripts/wine-env.sh)
    window       one running Dorvak.exe, driven and read through its windows
    expected     the output a run should leave, worked out independently
    case         the base of every end-to-end test
"""
