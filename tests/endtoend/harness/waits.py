"""Waits for a state with a deadline, and the error that names the state
that was not reached."""

import os
import select
import time


class HarnessError(Exception):
    """The test could not drive the program (as opposed to a wrong result)."""


def wait_for(condition, state, timeout, interval=0.05, observed=None):
    """Polls condition() until it gives a true value, which it returns; past
    the deadline a HarnessError names the state (and, from observed(), what
    was seen instead)."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() >= deadline:
            seen = ""
            if observed is not None:
                try:
                    seen = "; seen instead: %s" % (observed(),)
                except HarnessError as error:
                    seen = "; cannot tell what was seen: %s" % error
            raise HarnessError("not reached within %g s: %s%s" % (timeout, state, seen))
        time.sleep(interval)


class LineReader:
    """Lines from a child's pipe, each waited for with a deadline."""

    def __init__(self, stream, name):
        self._fd = stream.fileno()
        self._name = name
        self._buffer = b""

    def readline(self, timeout, state):
        deadline = time.monotonic() + timeout
        while b"\n" not in self._buffer:
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([self._fd], [], [], left)[0]:
                raise HarnessError("not reached within %g s: %s (%s wrote %r so far)"
                                   % (timeout, state, self._name, self._buffer[:200]))
            chunk = os.read(self._fd, 1 << 20)
            if not chunk:
                raise HarnessError("%s ended before %s" % (self._name, state))
            self._buffer += chunk
        line, self._buffer = self._buffer.split(b"\n", 1)
        return line
